// The run frame: failure messages, statuses and argument handling.
#include <gtest/gtest.h>

#include <sstream>

#include "records/records.h"

namespace {

using records::Location;
using records::RunError;

TEST(RunError, MessageLeavesOutUnknownParts) {
  struct Row {
    Location where;
    const char* text;
  } rows[] = {
      {{"TolvernSF611052011.txt", 57, 33, 42, "concentration"},
       "tlvanalysis: TolvernSF611052011.txt line 57, columns 33-42 (concentration): Bad"},
      {{"a.txt", 3, 88, 88, ""}, "tlvanalysis: a.txt line 3, column 88: Bad"},
      {{"a.txt", 3, 0, 0, ""}, "tlvanalysis: a.txt line 3: Bad"},
      {{"a.txt", 0, 0, 0, ""}, "tlvanalysis: a.txt: Bad"},
      {{"", 0, 0, 0, ""}, "tlvanalysis: Bad"},
      {{"a.txt", 0, 0, 0, "NUM"}, "tlvanalysis: a.txt (NUM): Bad"},
  };
  for (const Row& r : rows) EXPECT_EQ(RunError(2, "Bad", r.where).message("tlvanalysis"), r.text);
  RunError os = records::os_error("x.txt", ENOENT);
  EXPECT_EQ(os.status(), 1);
  EXPECT_EQ(os.message("p"), "p: x.txt: Operating system error: No such file or directory");
  RunError eof = records::end_of_file("x.txt", 12);
  EXPECT_EQ(eof.status(), 2);
  EXPECT_EQ(eof.message("p"), "p: x.txt line 12: End of file");
}

TEST(GuardedRun, EveryFailureBecomesOneLineAndAStatus) {
  std::ostringstream err;
  EXPECT_EQ(records::guarded_run("p", err, [] { return 0; }), 0);
  EXPECT_EQ(records::guarded_run("p", err, [] { return 3; }), 3);
  EXPECT_EQ(err.str(), "");
  EXPECT_EQ(records::guarded_run("p", err, []() -> int { throw records::StopRun(0); }), 0);
  EXPECT_EQ(err.str(), "");
  EXPECT_EQ(records::guarded_run("p", err, []() -> int { throw records::StopRun(0, "stopped"); }),
            0);
  EXPECT_EQ(err.str(), "p: stopped\n");
  err.str("");
  EXPECT_EQ(records::guarded_run("p", err, []() -> int { throw records::end_of_file("f", 2); }), 2);
  EXPECT_EQ(err.str(), "p: f line 2: End of file\n");
  err.str("");
  EXPECT_EQ(records::guarded_run("p", err, []() -> int { throw std::bad_alloc(); }), 2);
  EXPECT_EQ(err.str(), "p: out of memory\n");
  err.str("");
  EXPECT_EQ(records::guarded_run("p", err, []() -> int { throw std::runtime_error("boom"); }), 2);
  EXPECT_EQ(err.str(), "p: boom\n");
  err.str("");
  EXPECT_EQ(records::guarded_run("p", err, []() -> int { throw 5; }), 2);
  EXPECT_EQ(err.str(), "p: unexpected failure\n");
}

TEST(HandleArguments, HelpVersionAndUsage) {
  records::ProgramInfo info{"tlvanalysis", "tlvanalysis [--help | --version]",
                            "Reads x.\nWrites y."};
  std::istringstream in;
  auto run = [&](std::vector<std::string> args, std::string& out_text, std::string& err_text) {
    std::ostringstream out, err;
    records::RunContext ctx{".", args, in, out, err};
    auto r = records::handle_arguments(info, ctx);
    out_text = out.str();
    err_text = err.str();
    return r;
  };
  std::string o, e;
  EXPECT_FALSE(run({}, o, e).has_value());
  EXPECT_EQ(run({"--help"}, o, e), 0);
  EXPECT_EQ(o, "usage: tlvanalysis [--help | --version]\nReads x.\nWrites y.\n");
  EXPECT_EQ(run({"--version"}, o, e), 0);
  EXPECT_EQ(o, "tlvanalysis " + std::string(records::kVersion) + "\n");
  EXPECT_EQ(run({"-x"}, o, e), 2);
  EXPECT_EQ(o, "");
  EXPECT_EQ(e, "tlvanalysis: unknown argument '-x'\nusage: tlvanalysis [--help | --version]\n");
  EXPECT_EQ(run({"--help", "extra"}, o, e), 2);
}

}  // namespace
