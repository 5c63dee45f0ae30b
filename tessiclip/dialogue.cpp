#include "tessiclip/dialogue.h"

#include <ostream>

namespace tessiclip {

records::InputFile ask_for_file(records::LineSource& console, std::ostream& out,
                                const std::filesystem::path& dir, std::string_view prompt,
                                std::string& reply) {
  reply.resize(kReplyLength, ' ');
  for (;;) {
    records::write_console_list(out, {prompt});
    out.flush();
    records::read_list(console, {records::text(reply)}, {"file name"});
    if (auto file = records::InputFile::try_open(dir, reply)) return std::move(*file);
  }
}

}  // namespace tessiclip
