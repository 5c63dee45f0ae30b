// One program run in-process, as its main would run it: any program's run function
// in a given folder, with given arguments and console input; the exit status and
// both console streams come back as texts.
#pragma once

#include <filesystem>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "runframe/run.h"

namespace testsupport {

struct RunResult {
  int status = -1;
  std::string out;  // console output
  std::string err;  // console error output
};

using RunFunction = int (*)(const runframe::RunContext&);

// `terminal`: the run takes its error stream for a terminal.
inline RunResult run_program(RunFunction run, const std::filesystem::path& dir,
                             const std::vector<std::string>& args = {},
                             std::string_view console = {}, bool terminal = false) {
  std::istringstream in{std::string(console)};
  std::ostringstream out, err;
  const runframe::RunContext ctx{dir, args, in, out, err, terminal};
  RunResult r;
  r.status = run(ctx);
  r.out = out.str();
  r.err = err.str();
  return r;
}

}  // namespace testsupport
