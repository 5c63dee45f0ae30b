// The run frame: failures become one console line and a status; argument handling.
#include "runframe/run.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "records/records.h"
#include "runframe/progress.h"
#include "tracer_version.h"

namespace {

TEST(GuardedRun, EveryFailureBecomesOneLineAndAStatus) {
  std::ostringstream err;
  EXPECT_EQ(runframe::guarded_run("p", err, [] { return 0; }), 0);
  EXPECT_EQ(runframe::guarded_run("p", err, [] { return 3; }), 3);
  EXPECT_EQ(err.str(), "");
  EXPECT_EQ(runframe::guarded_run("p", err, []() -> int { throw records::StopRun(0); }), 0);
  EXPECT_EQ(err.str(), "");
  EXPECT_EQ(runframe::guarded_run("p", err, []() -> int { throw records::StopRun(0, "stopped"); }),
            0);
  EXPECT_EQ(err.str(), "p: stopped\n");
  err.str("");
  EXPECT_EQ(runframe::guarded_run("p", err, []() -> int { throw records::end_of_file("f", 2); }),
            2);
  EXPECT_EQ(err.str(), "p: f line 2: End of file\n");
  err.str("");
  EXPECT_EQ(runframe::guarded_run("p", err, []() -> int { throw std::bad_alloc(); }), 2);
  EXPECT_EQ(err.str(), "p: out of memory\n");
  err.str("");
  EXPECT_EQ(runframe::guarded_run("p", err, []() -> int { throw std::runtime_error("boom"); }), 2);
  EXPECT_EQ(err.str(), "p: boom\n");
  err.str("");
  EXPECT_EQ(runframe::guarded_run("p", err, []() -> int { throw 5; }), 2);
  EXPECT_EQ(err.str(), "p: unexpected failure\n");
}

TEST(Progress, ShownInPlaceOnATerminalAfterItsDelayAndClearedAtTheEnd) {
  using std::chrono::hours;
  struct Case {
    const char* name;
    bool terminal;
    runframe::Progress::Clock::duration after;
    std::string shown;
  };
  const Case cases[] = {
      {"not a terminal", false, {}, ""},
      {"before the delay", true, hours(1), ""},
      // Too little work for a look at the clock; then a step; a second one too soon
      // after it; a shorter phase padded over the longer line; cleared at the end.
      {"after the delay",
       true,
       {},
       "\rp: read\rp: resample 2 of 10\rp: write           \r                   \r"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::ostringstream err;
    {
      runframe::Progress progress("p", err, c.terminal, c.after);
      progress.phase("read");
      progress.step("resample", 1, 10, 100);
      progress.step("resample", 2, 10, 5000);
      progress.step("resample", 3, 10, 5000);
      progress.phase("write");
    }
    EXPECT_EQ(c.shown, err.str());
  }
  // A failure's message follows a cleared line.
  std::ostringstream err;
  EXPECT_EQ(2, runframe::guarded_run("p", err, [&err]() -> int {
              runframe::Progress progress("p", err, true, {});
              progress.phase("read");
              throw records::end_of_file("f", 2);
            }));
  EXPECT_EQ("\rp: read\r       \rp: f line 2: End of file\n", err.str());
}

TEST(HandleArguments, HelpVersionAndUsage) {
  runframe::ProgramInfo info{"tlvanalysis", "tlvanalysis [--help | --version]",
                             "Reads x.\nWrites y."};
  std::istringstream in;
  auto run = [&](std::vector<std::string> args, std::string& out_text, std::string& err_text) {
    std::ostringstream out, err;
    runframe::RunContext ctx{".", args, in, out, err};
    auto r = runframe::handle_arguments(info, ctx);
    out_text = out.str();
    err_text = err.str();
    return r;
  };
  std::string o, e;
  EXPECT_FALSE(run({}, o, e).has_value());
  EXPECT_EQ(run({"--help"}, o, e), 0);
  EXPECT_EQ(o, "usage: tlvanalysis [--help | --version]\nReads x.\nWrites y.\n");
  EXPECT_EQ(run({"--version"}, o, e), 0);
  EXPECT_EQ(o, "tlvanalysis " + std::string(tracer::kVersion) + "\n");
  EXPECT_EQ(run({"-x"}, o, e), 2);
  EXPECT_EQ(o, "");
  EXPECT_EQ(e, "tlvanalysis: unknown argument '-x'\nusage: tlvanalysis [--help | --version]\n");
  EXPECT_EQ(run({"--help", "extra"}, o, e), 2);
}

// Value options are taken out first, in order, whatever else is there; the next
// argument is the value even when it looks like an option.
TEST(HandleArguments, ValueOptionsComeFirst) {
  const runframe::ProgramInfo info{"p", "p [--seed N]", ""};
  std::string seed;
  const runframe::ValueOption options[] = {{"--seed", "a number", [&](const std::string& v) {
                                              if (v == "x")
                                                return std::string("bad value 'x' for --seed");
                                              seed = v;
                                              return std::string();
                                            }}};
  const struct {
    std::vector<std::string> args;
    int status;  // -1: the program runs
    std::string err;
    std::string seed;
  } cases[] = {
      {{"--seed", "3"}, -1, "", "3"},
      {{"--seed=4"}, -1, "", "4"},
      {{"--seed="}, -1, "", ""},
      {{"--seed", "--help"}, -1, "", "--help"},
      {{"--seed=5", "--version"}, 0, "", "5"},
      {{"--seed"}, 2, "p: '--seed' needs a number\nusage: p [--seed N]\n", ""},
      {{"--help", "--seed", "x"}, 2, "p: bad value 'x' for --seed\nusage: p [--seed N]\n", ""},
      {{"--seeds=4"}, 2, "p: unknown argument '--seeds=4'\nusage: p [--seed N]\n", ""},
  };
  std::istringstream in;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.front());
    seed.clear();
    std::ostringstream out, err;
    const runframe::RunContext ctx{".", c.args, in, out, err};
    EXPECT_EQ(runframe::handle_arguments(info, ctx, options).value_or(-1), c.status);
    EXPECT_EQ(err.str(), c.err);
    EXPECT_EQ(seed, c.seed);
  }
}

// Standard output that takes nothing (a full disk, a closed pipe): --help and
// --version end with status 1 and a message instead of reporting success.
TEST(HandleArguments, OutputThatCannotBeWrittenIsAFailure) {
  struct Refusing : std::streambuf {
    int overflow(int) override { return traits_type::eof(); }
  };
  runframe::ProgramInfo info{"hlbanalysis", "hlbanalysis [--help | --version]", "Reads x."};
  std::istringstream in;
  for (const std::string arg : {"--help", "--version"}) {
    SCOPED_TRACE(arg);
    Refusing refusing;
    std::ostream out(&refusing);
    std::ostringstream err;
    const std::vector<std::string> args = {arg};
    errno = 0;
    EXPECT_EQ(runframe::handle_arguments(info, {".", args, in, out, err}), 1);
    EXPECT_EQ(err.str(), "hlbanalysis: standard output: Operating system error: write failed\n");
  }
}

}  // namespace
