// The frame of every program's run: argument handling and the one place where a
// run-ending failure becomes a console line and an exit status.
#pragma once

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "records/status.h"

namespace runframe {

// How every program is run, in-process: working directory, arguments (without the
// program name), console streams; returns the exit status. `err_is_terminal`: the
// error stream is a terminal, on which a long run may show its progress (false in
// tests unless they set it).
struct RunContext {
  std::filesystem::path dir;
  std::span<const std::string> args;
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  bool err_is_terminal = false;
};

struct ProgramInfo {
  std::string_view name;      // "tlvanalysis"
  std::string_view synopsis;  // "tlvanalysis [--help | --version]"
  std::string_view summary;   // a few lines: what it reads and writes
};

// An option with a value, written "--name V" or "--name=V". `take` is handed the
// value; it keeps it and returns an empty text, or returns the reason it does not
// take it ("bad value 'x' for --seed (...)"), which ends the run as a usage error.
struct ValueOption {
  std::string_view name;   // "--seed"
  std::string_view needs;  // what a missing value should be: "'--seed' needs a number"
  std::function<std::string(const std::string& value)> take;
};

// First takes `options` out of the arguments, in order: an option without its value
// or one whose value `take` refuses prints "<name>: <reason>" and the synopsis to
// ctx.err (records::kStatusBadInput). Then of the other arguments, --help prints the
// synopsis and summary to ctx.out (status 0); --version prints "<name> <version>"
// (status 0; the version is tracer::kVersion); either one that cannot be written (a
// full disk, a closed pipe) gives a message on ctx.err and records::kStatusOsError.
// Any other argument prints the synopsis to ctx.err with "unknown argument"
// (records::kStatusBadInput). Returns nothing when the program should run.
std::optional<int> handle_arguments(const ProgramInfo& info, const RunContext& ctx,
                                    std::span<const ValueOption> options = {});

// Runs `body`; a records::RunError or records::StopRun thrown from it ends the run:
// the message goes to ctx.err prefixed with the program name, and its status is
// returned. Any other exception is reported the same way with records::kStatusBadInput.
// Returns body's status otherwise.
int guarded_run(std::string_view program, std::ostream& err, const std::function<int()>& body);

// Reopens on /dev/null each of the descriptors 0, 1 and 2 that is closed, so that
// no file the run opens takes the place of a standard stream (prompts or messages
// would land in it).
void reopen_closed_standard_streams();

// Adapts a run function to main(): first reopens closed standard streams, ignores
// SIGPIPE and makes SIGINT, SIGTERM and SIGHUP remove the run's temporaries before
// they end the process (records/outputs.h), then runs with cwd, argv,
// std::cin/cout/cerr (err_is_terminal when descriptor 2 is a terminal); standard output that cannot
// be flushed at the end ends the run with kStatusOsError.
int run_main(int argc, char** argv, int (*run)(const RunContext&));

}  // namespace runframe
