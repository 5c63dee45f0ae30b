// The console dialogue of the cutter: a prompt, a file name in reply, and again
// until a name opens; each name that does not open is reported on the error
// stream with the system's reason.
#pragma once

#include <cstddef>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <string_view>

#include "records/records.h"

namespace tessiclip {

inline constexpr std::string_view kProgram = "tessiclip";

inline constexpr std::string_view kDatesPrompt = " Dates filename: ";
inline constexpr std::string_view kSurfacePrompt = " AERMET surf input ALL hours filename: ";
inline constexpr std::string_view kProfilePrompt = " AERMET prof input ALL hours filename: ";

// The longest reply line taken (its line end not counted); `console` is to be
// bounded so.
inline constexpr std::size_t kMaxReplyLength = 4096;

// What is said of a reply that names no file: a path typed without quotes, which
// the list form ends at its first '/', or an empty quoted name.
inline constexpr std::string_view kNoName =
    "No file name read: an unquoted name ends at '/', so put a path in quotes";

// Writes `prompt` to `out` in list form and reads one reply in list form from
// `console` into `reply` (the whole value); opens the named file in `dir` as an
// existing file. A name that does not open ("tessiclip: <name>: Operating system
// error: <reason>"), a reply that names no file ("tessiclip: <reply>: " kNoName)
// and a reply line longer than the console takes (records::RecordTooLong) are
// reported on `err` and bring the same prompt again. The end of the console input
// ends the run (RunError "End of file", status 2); a prompt that cannot be written
// ends it with status 1.
records::InputFile ask_for_file(records::LineSource& console, std::ostream& out, std::ostream& err,
                                const std::filesystem::path& dir, std::string_view prompt,
                                std::string& reply);

}  // namespace tessiclip
