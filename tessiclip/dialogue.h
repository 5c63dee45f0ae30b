// The console dialogue of the cutter: a prompt, a file name in reply, and again
// until a name opens; each name that does not open is reported on the error
// stream with the system's reason.
#pragma once

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

// Writes `prompt` to `out` in list form and reads one reply in list form from
// `console` into `reply` (the whole value, however long); opens the named file in
// `dir` as an existing file. A name that does not open is reported on `err`
// ("tessiclip: <name>: Operating system error: <reason>") and brings the same
// prompt again. The end of the console input ends the run (RunError "End of
// file", status 2).
records::InputFile ask_for_file(records::LineSource& console, std::ostream& out, std::ostream& err,
                                const std::filesystem::path& dir, std::string_view prompt,
                                std::string& reply);

}  // namespace tessiclip
