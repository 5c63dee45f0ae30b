#include "tessiclip/dialogue.h"

#include <ostream>

namespace tessiclip {

records::InputFile ask_for_file(records::LineSource& console, std::ostream& out, std::ostream& err,
                                const std::filesystem::path& dir, std::string_view prompt,
                                std::string& reply) {
  for (;;) {
    records::write_console_list(out, {prompt});
    out.flush();
    records::read_list(console, {records::whole_text(reply)}, {"file name"});
    try {
      return records::InputFile::open(dir, reply);
    } catch (const records::RunError& e) {
      err << e.message(kProgram) << '\n';
      err.flush();
    }
  }
}

}  // namespace tessiclip
