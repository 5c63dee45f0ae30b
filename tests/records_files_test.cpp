// Files: line ends, creation without truncation, flushing while a failure
// unwinds, end of file, rewind, and the operating-system failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>

#include "records/records.h"
#include "runframe/run.h"
#include "support/scratch.h"

namespace {

using records::InputFile;
using records::Layout;
using records::OutputFile;
using testsupport::crlf_lines;
using testsupport::ScratchDir;

using Failure = std::pair<int, std::string>;  // exit status, console line

// The run-ending failure that `step` throws, as program `program` reports it.
template <class Step>
Failure failure_of(Step step, std::string_view program) {
  try {
    step();
  } catch (const records::RunError& e) {
    return {e.status(), e.message(program)};
  }
  return {0, "no failure"};
}

TEST(OutputFile, RecordsEndWithCrLf) {
  ScratchDir dir;
  {
    OutputFile out = OutputFile::open(dir.path(), "report.txt  ");
    EXPECT_EQ(out.name(), "report.txt");
    out.write(Layout("(i3,2x,a)"), {5, "ab"});
    out.write(Layout("(i2/i2)"), {1, 2});
    out.write_list({"NUM  = : ", 250});
    out.write_record("");
  }
  EXPECT_EQ(dir.read("report.txt"), crlf_lines({"  5  ab", " 1", " 2", " NUM  = :  250", ""}));
}

TEST(OutputFile, OldContentKeptUntilFirstRecord) {
  ScratchDir dir;
  dir.write("keep.txt", "old content\r\n");
  dir.write("cut.txt", "old content that is longer\r\n");
  {
    OutputFile keep = OutputFile::open(dir.path(), "keep.txt");
    OutputFile cut = OutputFile::open(dir.path(), "cut.txt");
    OutputFile fresh = OutputFile::open(dir.path(), "fresh.txt");
    EXPECT_FALSE(dir.exists("fresh.txt"));  // created when the file is put in place
    cut.write(Layout("('new')"), {});
  }
  EXPECT_EQ(dir.read("keep.txt"), "old content\r\n");
  EXPECT_EQ(dir.read("cut.txt"), "new\r\n");
  EXPECT_EQ(dir.read("fresh.txt"), "");
}

TEST(OutputFile, AFailureUnwindingLeavesTheOutputAsItWas) {
  ScratchDir dir;
  dir.write("obs.txt", " 12\n abc\n");
  dir.write("out.txt", "earlier\r\n");
  std::ostringstream err;
  int status = runframe::guarded_run("tlvanalysis", err, [&] {
    OutputFile out = OutputFile::open(dir.path(), "out.txt");
    InputFile in = InputFile::open(dir.path(), "obs.txt");
    Layout l("(i4)");
    int v = 0;
    for (;;) {
      in.read(l, {&v}, {"value"});
      out.write(l, {v});
    }
    return 0;
  });
  EXPECT_EQ(status, 2);
  EXPECT_EQ(err.str(),
            "tlvanalysis: obs.txt line 2, columns 1-4 (value): Bad value during integer read\n");
  EXPECT_EQ(dir.read("out.txt"), "earlier\r\n");
  EXPECT_EQ(dir.hidden(), std::vector<std::string>{});  // no temporary, no lock file
}

TEST(OutputFile, ManyRecordsAcrossBlocks) {
  ScratchDir dir;
  std::string want;
  {
    OutputFile out = OutputFile::open(dir.path(), "big.txt");
    Layout l("(i8)");
    for (int i = 0; i < 30000; ++i) {
      out.write(l, {i});
      std::string rec = std::to_string(i);
      want += std::string(8 - rec.size(), ' ') + rec + "\r\n";
    }
    out.close();
    EXPECT_THROW(out.write(l, {1}), std::logic_error);
  }
  EXPECT_EQ(dir.read("big.txt"), want);
}

TEST(OutputFile, UncreatableFileIsAnOsError) {
  ScratchDir dir;
  EXPECT_EQ(
      failure_of([&] { OutputFile::open(dir.path(), "no-such-dir/out.txt"); }, "p"),
      Failure(1, "p: no-such-dir/out.txt: Operating system error: No such file or directory"));
}

TEST(InputFile, LineEnds) {
  ScratchDir dir;
  dir.write("in.txt", "a\r\nb\nc\rd\r\r\n\ne");
  InputFile in = InputFile::open(dir.path(), "in.txt");
  std::vector<std::string> got;
  std::string_view rec;
  while (in.next(rec)) got.emplace_back(rec);
  std::vector<std::string> want = {"a", "b", "c\rd\r", "", "e"};
  EXPECT_EQ(got, want);
  EXPECT_EQ(in.line(), 5);
  EXPECT_FALSE(in.next(rec));
}

TEST(InputFile, CrOnlyFileIsOneRecord) {
  ScratchDir dir;
  dir.write("in.txt", "   1\r   2\r");
  InputFile in = InputFile::open(dir.path(), "in.txt");
  int a = 0;
  in.read(Layout("(i4)"), {&a});
  EXPECT_EQ(a, 1);
  EXPECT_FALSE(in.read_or_eof(Layout("(i4)"), {&a}));
}

TEST(InputFile, LongRecordAcrossBlocks) {
  ScratchDir dir;
  std::string longrec(300000, 'x');
  longrec += "  42";
  dir.write("in.txt", "first\n" + longrec + "\r\nlast");
  InputFile in = InputFile::open(dir.path(), "in.txt");
  std::string_view rec;
  ASSERT_TRUE(in.next(rec));
  EXPECT_EQ(rec, "first");
  ASSERT_TRUE(in.next(rec));
  EXPECT_EQ(rec, longrec);
  ASSERT_TRUE(in.next(rec));
  EXPECT_EQ(rec, "last");
  EXPECT_FALSE(in.next(rec));
}

// Resident memory of this process, in bytes.
long resident_bytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * 4096;
}

TEST(InputFile, StreamsLargeFilesInBoundedMemory) {
  ScratchDir dir;
  {
    OutputFile out = OutputFile::open(dir.path(), "big.txt");
    Layout l("(i4,f8.2,f10.2,t33,f10.2)");
    for (int i = 0; i < 600000; ++i) out.write(l, {i % 1000, 1.25f, -2.5f, 0.5f * (i % 7)});
  }
  ASSERT_GT(std::filesystem::file_size(dir / "big.txt"), 25'000'000u);
  long before = resident_bytes();
  InputFile in = InputFile::open(dir.path(), "big.txt");
  Layout sampler("(t5,f8.2,f10.2,t33,f10.2)");
  float x = 0, y = 0, c = 0;
  double sum = 0;
  while (in.read_or_eof(sampler, {&x, &y, &c})) sum += c;
  EXPECT_EQ(in.line(), 600000);
  double want = 0;
  for (int i = 0; i < 600000; ++i) want += 0.5 * (i % 7);
  EXPECT_DOUBLE_EQ(sum, want);
  EXPECT_LT(resident_bytes() - before, 8'000'000);
}

// A record of 1 MiB is read whole, with or without CR before its LF and at the end
// of the file; one byte more is refused naming its line, and so is an endless one.
TEST(InputFile, RecordsOfAtMostOneMebibyte) {
  const std::size_t max = records::kMaxRecordLength;
  ASSERT_EQ(max, 1048576u);
  const std::string at_limit(max, 'x'), over(max + 1, 'x');
  const Failure refused{2, "p: in.txt line 2: Record longer than 1048576 bytes"};
  struct Case {
    std::string tail;  // after a first line "first\n"
    Failure want;      // {0, "no failure"}: every record reads
  };
  const Case cases[] = {
      {at_limit + "\nlast\n", {0, "no failure"}},
      {at_limit + "\r\nlast\n", {0, "no failure"}},
      {at_limit, {0, "no failure"}},
      {over + "\nlast\n", refused},
      {over + "\r\nlast\n", refused},
      {at_limit + "\r", refused},  // a CR without LF is part of the record
      {over, refused},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tail.size());
    ScratchDir dir;
    dir.write("in.txt", "first\n" + c.tail);
    InputFile in = InputFile::open(dir.path(), "in.txt");
    std::size_t longest = 0;
    const Failure got = failure_of(
        [&] {
          std::string_view rec;
          while (in.next(rec)) longest = std::max(longest, rec.size());
        },
        "p");
    EXPECT_EQ(got, c.want);
    if (got.first == 0) {
      EXPECT_EQ(longest, max);
    }
  }
}

// An input that never ends a line (/dev/zero) is refused at once, within a few
// megabytes (the old reader grew to gigabytes).
TEST(InputFile, AnEndlessRecordIsRefusedInBoundedMemory) {
  const long before = resident_bytes();
  InputFile in = InputFile::open("/", "dev/zero");
  EXPECT_EQ(failure_of(
                [&] {
                  std::string_view rec;
                  in.next(rec);
                },
                "p"),
            Failure(2, "p: dev/zero line 1: Record longer than 1048576 bytes"));
  EXPECT_LT(resident_bytes() - before, 8'000'000);  // a 2 MiB block, with a sanitizer's shadow
}

// A file that the tool set wrote ends with CR LF; a last record without its line
// end (or with the CR alone) means a cut file, once the reader is told to expect
// whole records. Otherwise the last record reads as it stands.
TEST(InputFile, ACutFileIsRefusedWhereRecordsMustEnd) {
  struct Case {
    std::string text;
    Failure want;
  };
  const Failure cut{2, "p: in.txt line 2: File ends inside a record: the file may be cut"};
  const Case cases[] = {
      {"a\r\nb\r\n", {0, "no failure"}},
      {"a\r\nb\n", {0, "no failure"}},
      {"", {0, "no failure"}},
      {"a\r\nb", cut},
      {"a\r\nb\r", cut},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ScratchDir dir;
    dir.write("in.txt", c.text);
    for (const bool whole : {false, true}) {
      InputFile in = InputFile::open(dir.path(), "in.txt");
      if (whole) in.require_ended_records();
      std::vector<std::string> got;
      const Failure f = failure_of(
          [&] {
            std::string_view rec;
            while (in.next(rec)) got.emplace_back(rec);
          },
          "p");
      EXPECT_EQ(f, whole ? c.want : Failure(0, "no failure"));
      if (f.first == 0) {
        EXPECT_EQ(got.size(), c.text.empty() ? 0u : 2u);
      }
    }
  }
}

TEST(InputFile, EndOfFileBranchRewindAndSkip) {
  ScratchDir dir;
  dir.write("in.txt", "header\n  1  2\n  3\n");
  InputFile in = InputFile::open(dir.path(), "in.txt");
  Layout two("(2i3)");
  int a = 0, b = 0;
  in.skip();
  ASSERT_TRUE(in.read_or_eof(two, {&a, &b}));
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 2);
  ASSERT_TRUE(in.read_or_eof(two, {&a, &b}));
  EXPECT_EQ(a, 3);
  EXPECT_EQ(b, 0);
  EXPECT_FALSE(in.read_or_eof(two, {&a, &b}));
  EXPECT_EQ(failure_of(
                [&] {
                  in.read(two, {&a, &b});
                },
                "p"),
            Failure(2, "p: in.txt line 3: End of file"));
  EXPECT_THROW(in.skip(), records::RunError);
  in.rewind();
  EXPECT_EQ(in.line(), 0);
  std::string head(6, ' ');
  in.read(Layout("(a)"), {records::text(head)});
  EXPECT_EQ(head, "header");
  // A '/' that meets the end of the file takes the end-of-file branch.
  in.skip();
  EXPECT_FALSE(in.read_or_eof(Layout("(i3/i3)"), {&a, &b}));
  EXPECT_EQ(a, 3);
}

TEST(InputFile, SlashReadsSeveralRecords) {
  ScratchDir dir;
  dir.write("in.txt", "  1\r\n  2\r\n\r\n  4\r\n");
  InputFile in = InputFile::open(dir.path(), "in.txt");
  int a = 0, b = 0, c = 0;
  in.read(Layout("(i3/i3//i3)"), {&a, &b, &c});
  EXPECT_EQ(a + b * 10 + c * 100, 421);
  EXPECT_EQ(in.line(), 4);
  // An input statement with no items skips one record.
  in.rewind();
  in.read(Layout("(i3)"), {});
  EXPECT_EQ(in.line(), 1);
}

TEST(InputFile, MissingFileAndDirectory) {
  ScratchDir dir;
  EXPECT_EQ(
      failure_of([&] { InputFile::open(dir.path(), "TolvernSF611052011.txt   "); }, "tlvanalysis"),
      Failure(1,
              "tlvanalysis: TolvernSF611052011.txt: Operating system error: No such file or "
              "directory"));
  EXPECT_FALSE(InputFile::try_open(dir.path(), "missing.txt").has_value());
  std::filesystem::create_directory(dir / "sub");
  EXPECT_FALSE(InputFile::try_open(dir.path(), "sub").has_value());
  dir.write("there.txt", "x\n");
  auto f = InputFile::try_open(dir.path(), "there.txt ");
  ASSERT_TRUE(f.has_value());
  EXPECT_EQ(f->name(), "there.txt");
}

// A console line longer than the bound is refused and passed over to its end; the
// next line reads as usual.
TEST(ConsoleIn, LinesLongerThanTheBoundAreRefusedAndPassedOver) {
  std::istringstream in("12345678\r\n123456789\n" + std::string(100000, 'y') + "\nnext\n12345678");
  records::ConsoleIn con(in, 8);
  std::vector<std::string> got;
  std::string_view rec;
  for (int i = 0; i < 5; ++i) {
    try {
      if (!con.next(rec)) break;
      got.emplace_back(rec);
    } catch (const records::RecordTooLong& e) {
      got.push_back(e.message(""));
    }
  }
  const std::vector<std::string> want = {
      "12345678", "standard input line 2: Record longer than 8 bytes",
      "standard input line 3: Record longer than 8 bytes", "next", "12345678"};
  EXPECT_EQ(got, want);
  EXPECT_FALSE(con.next(rec));
}

TEST(ConsoleIn, LinesAndEnd) {
  std::istringstream in("one\r\ntwo\n\nthree\r");
  records::ConsoleIn con(in);
  std::vector<std::string> got;
  std::string_view rec;
  while (con.next(rec)) got.emplace_back(rec);
  std::vector<std::string> want = {"one", "two", "", "three\r"};
  EXPECT_EQ(got, want);
  EXPECT_EQ(con.origin().line, 4);
  EXPECT_FALSE(con.next(rec));
}

}  // namespace
