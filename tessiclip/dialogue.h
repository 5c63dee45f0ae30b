// The console dialogue of the cutter: a prompt, a file name in reply, and again
// until a name opens.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <string_view>

#include "records/records.h"

namespace tessiclip {

// Length of the reply buffer that receives a file name.
inline constexpr std::size_t kReplyLength = 30;

inline constexpr std::string_view kDatesPrompt = " Dates filename: ";
inline constexpr std::string_view kSurfacePrompt = " AERMET surf input ALL hours filename: ";
inline constexpr std::string_view kProfilePrompt = " AERMET prof input ALL hours filename: ";

// Writes `prompt` to `out` in list form and reads one reply in list form from
// `console` into `reply` (kReplyLength characters, the name left-aligned, cut or
// blank-padded); opens the named file in `dir` as an existing file. A name that
// does not open brings the same prompt again, without a message. The end of the
// console input ends the run (RunError "End of file", status 2).
records::InputFile ask_for_file(records::LineSource& console, std::ostream& out,
                                const std::filesystem::path& dir, std::string_view prompt,
                                std::string& reply);

}  // namespace tessiclip
