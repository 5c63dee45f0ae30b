#include "tessiclip/dialogue.h"

#include <ostream>
#include <string>

namespace tessiclip {
namespace {

// The console, keeping the last record it gave: the reply as typed, for a message
// about a reply that names no file.
class TypedReply final : public records::LineSource {
 public:
  explicit TypedReply(records::LineSource& console) : console_(console) {}
  bool next(std::string_view& record) override {
    if (!console_.next(record)) return false;
    last_.assign(record);
    return true;
  }
  records::Origin origin() const override { return console_.origin(); }
  // The last reply line without its leading and trailing blanks.
  std::string_view text() const {
    std::string_view t = last_;
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
    return t;
  }

 private:
  records::LineSource& console_;
  std::string last_;
};

void say(std::ostream& err, const records::RunError& e) {
  err << e.message(kProgram) << '\n';
  err.flush();
}

}  // namespace

records::InputFile ask_for_file(records::LineSource& console, std::ostream& out, std::ostream& err,
                                const std::filesystem::path& dir, std::string_view prompt,
                                std::string& reply) {
  TypedReply typed(console);
  for (;;) {
    records::write_console_list(out, {prompt});
    records::flush_console(out);
    reply.clear();
    try {
      records::read_list(typed, {records::whole_text(reply)}, {"file name"});
    } catch (const records::RecordTooLong& e) {
      say(err, e);
      continue;
    }
    if (reply.empty()) {
      // An unquoted name ends at '/', so a reply that begins with one names nothing.
      say(err, records::RunError(records::kStatusBadInput, std::string(kNoName),
                                 records::Location{std::string(typed.text()), 0, 0, 0, {}}));
      continue;
    }
    try {
      return records::InputFile::open(dir, reply);
    } catch (const records::RunError& e) {
      say(err, e);
    }
  }
}

}  // namespace tessiclip
