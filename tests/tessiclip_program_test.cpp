// tessiclip run end to end, in-process: the dialogue, the four output files byte
// for byte, the summary messages, and the exact point where a bad record ends a run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "records/records.h"
#include "support/run.h"
#include "support/scratch.h"
#include "tessiclip/tessiclip.h"

namespace {

using testsupport::crlf;
using testsupport::crlf_lines;
using testsupport::lines;
using testsupport::padded;
using testsupport::ScratchDir;

testsupport::RunResult run(const ScratchDir& dir, std::string_view replies,
                           const std::vector<std::string>& args = {}) {
  return testsupport::run_program(run_tessiclip, dir.path(), args, replies);
}

constexpr std::string_view kReplies = "dates.txt\nsurf.txt\nprof.txt\n";
constexpr std::string_view kAllPrompts =
    "  Dates filename: \n"
    "  AERMET surf input ALL hours filename: \n"
    "  AERMET prof input ALL hours filename: \n";

// A field of a record: `text` right-aligned in columns first..last (from 1).
struct Field {
  int first, last;
  std::string_view text;
};

// `start` with `fields` written over it, widened with blanks as needed.
std::string record(std::initializer_list<Field> fields, std::string start = {}) {
  for (const Field& f : fields)
    testsupport::place(start, f.first, testsupport::right(f.text, f.last - f.first + 1));
  return start;
}

// The surface header: upper-air station in columns 41-45, surface station in 58-62.
std::string header(std::string_view upper_air = "12345", std::string_view station = "678") {
  return record({{34, 39, "UA_ID:"},
                 {41, 45, upper_air},
                 {51, 56, "SF_ID:"},
                 {58, 62, station},
                 {83, 96, "VERSION: 11059"}},
                "   51.650N    1.350W");
}

// One surface data record; the columns that are not read hold plausible values.
struct Surf {
  std::string y = "80", m = "5", d = "2", hr = "12";
  std::string H = "125.3", zic = "850.", zim = "300.", L = "-20.0", z0 = "0.1000";
  std::string ws = "3.50", temp = "293.2";
  std::string line() const {
    return record({{1, 2, y},
                   {3, 5, m},
                   {6, 8, d},
                   {9, 12, "123"},
                   {13, 15, hr},
                   {16, 22, H},
                   {23, 43, "  0.412  1.234  0.005"},
                   {44, 49, zic},
                   {50, 55, zim},
                   {56, 64, L},
                   {65, 72, z0},
                   {73, 87, "   0.80    0.18"},
                   {88, 94, ws},
                   {95, 108, "  245.0   10.0"},
                   {109, 115, temp},
                   {116, 140, "    2.0    0   0.00    62"}});
  }
};

Surf at(int y, int m, int d, int h) {
  Surf s;
  s.y = std::to_string(y);
  s.m = std::to_string(m);
  s.d = std::to_string(d);
  s.hr = std::to_string(h);
  return s;
}

std::string keys(int y, int m, int d, int h) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%2d%3d%3d%3d", y, m, d, h);
  return buf;
}

std::string prof(int y, int m, int d, int h,
                 std::string_view rest = "   10.0 0  245.0    3.50   293.2") {
  return keys(y, m, d, h) + std::string(rest);
}

// Writes the three inputs of a run.
void inputs(const ScratchDir& dir, const std::string& dates, const std::string& surf,
            const std::string& profile) {
  dir.write("dates.txt", dates);
  dir.write("surf.txt", surf);
  dir.write("prof.txt", profile);
}

// One run of a table of dates files: what it shows, the dates records, the status
// and the whole ISCST3 and summary files expected.
struct DatesRow {
  const char* what;
  std::vector<std::string> dates;
  int status;
  std::vector<std::string> iscst3;
  std::vector<std::string> summary;
};

// A run that fails changes no output: in a fresh folder, none of the four exists.
void expect_no_outputs(const ScratchDir& dir) {
  for (const char* name : {"CutmetSummary.txt", "cutsurf.txt", "cutprof.txt", "cutiscst3.txt"})
    EXPECT_FALSE(dir.exists(name)) << name;
}

// Runs `row` in `dir` on the surface and profile texts and checks what it expects
// (a failed run: no output).
testsupport::RunResult run_row(const ScratchDir& dir, const DatesRow& row, const std::string& surf,
                               const std::string& profile) {
  inputs(dir, lines(row.dates), surf, profile);
  const auto r = run(dir, kReplies);
  EXPECT_EQ(r.status, row.status) << row.what << ": " << r.err;
  if (row.status != 0) {
    expect_no_outputs(dir);
    return r;
  }
  EXPECT_EQ(dir.read("cutiscst3.txt"), crlf(row.iscst3)) << row.what;
  EXPECT_EQ(dir.read("CutmetSummary.txt"), crlf(row.summary)) << row.what;
  return r;
}

TEST(TessiclipProgram, HourRecordAndHeaderRecord) {
  ScratchDir dir;
  const Surf first = at(80, 5, 2, 11), hour = Surf{};
  inputs(dir, lines({keys(80, 5, 2, 12)}), lines({header(), first.line(), hour.line()}),
         lines({prof(80, 5, 2, 11), prof(80, 5, 2, 12), prof(80, 5, 2, 12, " second level")}));
  const auto r = run(dir, kReplies);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, kAllPrompts);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(dir.read("cutiscst3.txt"),
            crlf_lines({"         678       80       12345          80",
                        "80 5 212  90.0000   3.5000 293.2 2  850.0  850.0"}));
  EXPECT_EQ(dir.read("cutsurf.txt"), crlf({padded(header(), 100), padded(hour.line(), 165)}));
  EXPECT_EQ(dir.read("cutprof.txt"), crlf({padded(prof(80, 5, 2, 12), 165)}));
  EXPECT_TRUE(dir.exists("CutmetSummary.txt"));
  EXPECT_EQ(dir.read("CutmetSummary.txt"), "");
}

TEST(TessiclipProgram, SummaryMessagesAndTheLengthTestBeforeTheProfile) {
  ScratchDir dir;
  Surf no_length = at(80, 5, 2, 13);
  no_length.L = "-99999.0";
  Surf below_mark = at(80, 5, 2, 15);
  below_mark.L = "-123456.0";
  const Surf no_profile = at(80, 5, 2, 14), kept = at(80, 5, 2, 12);
  inputs(dir,
         lines({keys(80, 5, 2, 20), keys(80, 5, 2, 13), keys(80, 5, 2, 14), keys(80, 5, 2, 12),
                keys(81, 5, 2, 12), keys(80, 5, 2, 15), keys(80, 5, 2, 14)}),
         lines({header(), kept.line(), no_length.line(), no_profile.line(), below_mark.line()}),
         // No profile record for hours 13, 14, 15; one for a hour the dates lack.
         lines({prof(80, 5, 2, 12), prof(80, 5, 2, 16)}));
  const auto r = run(dir, kReplies);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir.read("CutmetSummary.txt"),
            crlf_lines({" NoSurf:   1 No Surf data for:  80  5  2 20",
                        " NoOBK:   1 No Aermet OBK data for:  80  5  2 13",
                        " NoProf:   1 No Prof data for:  80  5  2 14",
                        " NoSurf:   2 No Surf data for:  81  5  2 12",
                        " NoOBK:   2 No Aermet OBK data for:  80  5  2 15",
                        " NoProf:   2 No Prof data for:  80  5  2 14"}));
  EXPECT_EQ(dir.read("cutiscst3.txt"),
            crlf_lines({"         678       80       12345          80",
                        "80 5 212  90.0000   3.5000 293.2 2  850.0  850.0"}));
  EXPECT_EQ(dir.read("cutsurf.txt"), crlf({padded(header(), 100), padded(kept.line(), 165)}));
  EXPECT_EQ(dir.read("cutprof.txt"), crlf({padded(prof(80, 5, 2, 12), 165)}));
}

TEST(TessiclipProgram, MissingLengthIsReportedWithoutSearchingTheProfileFile) {
  // The profile file's first record is unreadable: any profile search would end
  // the run, so the run ending normally shows that no search was made.
  ScratchDir dir;
  Surf no_length = Surf{};
  no_length.L = "-99999.0";
  inputs(dir, lines({keys(80, 5, 2, 12), keys(80, 6, 1, 1)}), lines({header(), no_length.line()}),
         lines({"8x  5  2 12", prof(80, 5, 2, 12)}));
  const auto r = run(dir, kReplies);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir.read("CutmetSummary.txt"),
            crlf_lines({" NoOBK:   1 No Aermet OBK data for:  80  5  2 12",
                        " NoSurf:   1 No Surf data for:  80  6  1  1"}));
  EXPECT_EQ(dir.read("cutiscst3.txt"),
            crlf_lines({"         678       80       12345          80"}));
  EXPECT_EQ(dir.read("cutprof.txt"), "");
}

TEST(TessiclipProgram, CounterAbove999IsWrittenAsAsterisks) {
  ScratchDir dir;
  std::string dates;
  for (int i = 1; i <= 1001; ++i) dates += keys(80, 1 + i % 12, 1 + i % 28, i % 24) + "\n";
  inputs(dir, dates, lines({header(), at(79, 12, 31, 24).line()}), "");
  const auto r = run(dir, kReplies);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string summary = dir.read("CutmetSummary.txt");
  std::vector<std::string> got;
  std::istringstream s(summary);
  for (std::string l; std::getline(s, l);) got.push_back(l);
  ASSERT_EQ(got.size(), 1001u);
  EXPECT_EQ(got[998], " NoSurf: 999 No Surf data for:  80  4 20 15\r");
  EXPECT_EQ(got[999], " NoSurf: *** No Surf data for:  80  5 21 16\r");
  EXPECT_EQ(got[1000], " NoSurf: *** No Surf data for:  80  6 22 17\r");
  EXPECT_EQ(dir.read("cutiscst3.txt"),
            crlf_lines({"         678       79       12345          79"}));
}

TEST(TessiclipProgram, FirstOfDuplicatesRepeatsAndDatesOrder) {
  ScratchDir dir;
  Surf first = Surf{}, second = Surf{}, other = at(80, 5, 2, 11);
  second.ws = "9.99";
  other.ws = "1.25";
  inputs(dir, lines({keys(80, 5, 2, 12), keys(80, 5, 2, 11), keys(80, 5, 2, 12)}),
         lines({header(), first.line(), second.line(), other.line()}),
         lines({prof(80, 5, 2, 12, " level one"), prof(80, 5, 2, 11, " hour 11"),
                prof(80, 5, 2, 12, " level two")}));
  const auto r = run(dir, kReplies);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir.read("cutiscst3.txt"),
            crlf_lines({"         678       80       12345          80",
                        "80 5 212  90.0000   3.5000 293.2 2  850.0  850.0",
                        "80 5 211  90.0000   1.2500 293.2 2  850.0  850.0",
                        "80 5 212  90.0000   3.5000 293.2 2  850.0  850.0"}));
  EXPECT_EQ(dir.read("cutsurf.txt"), crlf({padded(header(), 100), padded(first.line(), 165),
                                           padded(other.line(), 165), padded(first.line(), 165)}));
  EXPECT_EQ(dir.read("cutprof.txt"), crlf({padded(prof(80, 5, 2, 12, " level one"), 165),
                                           padded(prof(80, 5, 2, 11, " hour 11"), 165),
                                           padded(prof(80, 5, 2, 12, " level one"), 165)}));
}

TEST(TessiclipProgram, MixingHeightAndClassFollowTheSignOfTheHeatFlux) {
  struct Row {
    std::string H, L;
    std::string tail;  // columns 33-48 of the hour record
  } rows[] = {
      {"12.5", "-20.0", " 2  900.0  900.0"},
      {"0.0", "-20.0", " 4  300.0  300.0"},
      {"-0.0", "50.0", " 4  300.0  300.0"},
      {"", "-20.0", " 4  300.0  300.0"},  // a blank field reads zero
      {"-15.0", "50.0", " 5  300.0  300.0"},
      {"-15.0", "10.0", " 6  300.0  300.0"},
      {"125.3", "-5.0", " 1  900.0  900.0"},
      {"125.3", "-1000.0", " 4  900.0  900.0"},
      {"125.3", "-99998.9", " 4  900.0  900.0"},
  };
  for (const auto& row : rows) {
    ScratchDir dir;
    Surf s;
    s.H = row.H;
    s.L = row.L;
    s.zic = "900.";
    inputs(dir, lines({keys(80, 5, 2, 12)}), lines({header(), s.line()}),
           lines({prof(80, 5, 2, 12)}));
    const auto r = run(dir, kReplies);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(dir.read("cutiscst3.txt"),
              crlf_lines({"         678       80       12345          80",
                          "80 5 212  90.0000   3.5000 293.2" + row.tail}))
        << "H " << row.H << " L " << row.L;
  }
}

TEST(TessiclipProgram, ValuesAreWrittenAsReadWithoutMissingTests) {
  ScratchDir dir;
  Surf s;
  s.ws = "-9.00";
  s.temp = "-999.0";
  s.zic = "-999.";
  s.H = "3.0";
  s.z0 = "";  // roughness 0: class 4 for any heat flux
  inputs(dir, lines({keys(80, 5, 2, 12)}), lines({header(), s.line()}),
         lines({prof(80, 5, 2, 12)}));
  const auto r = run(dir, kReplies);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir.read("cutiscst3.txt"),
            crlf_lines({"         678       80       12345          80",
                        "80 5 212  90.0000  -9.0000-999.0 4 -999.0 -999.0"}));
}

TEST(TessiclipProgram, BlankAndZeroDatesRecordsAreSkippedSilently) {
  ScratchDir dir;
  inputs(dir, lines({"", keys(0, 5, 2, 12), keys(80, 0, 2, 12), "   ", keys(80, 5, 2, 12)}),
         lines({header(), Surf{}.line()}), lines({prof(80, 5, 2, 12)}));
  const auto r = run(dir, kReplies);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir.read("CutmetSummary.txt"), "");
  EXPECT_EQ(dir.read("cutiscst3.txt"),
            crlf_lines({"         678       80       12345          80",
                        "80 5 212  90.0000   3.5000 293.2 2  850.0  850.0"}));
}

TEST(TessiclipProgram, EmptyDatesFileAndNoHourKept) {
  {
    // Empty dates file: only the surface header is written; files that receive
    // no record keep what an earlier run left in them.
    ScratchDir dir;
    inputs(dir, "", lines({header(), Surf{}.line()}), lines({prof(80, 5, 2, 12)}));
    dir.write("cutprof.txt", "earlier\r\n");
    dir.write("CutmetSummary.txt", "earlier summary\r\n");
    dir.write("cutsurf.txt", "earlier surface\r\n");
    const auto r = run(dir, kReplies);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(dir.read("cutsurf.txt"), crlf({padded(header(), 100)}));
    EXPECT_EQ(dir.read("cutprof.txt"), "earlier\r\n");
    EXPECT_EQ(dir.read("CutmetSummary.txt"), "earlier summary\r\n");
    EXPECT_TRUE(dir.exists("cutiscst3.txt"));
    EXPECT_EQ(dir.read("cutiscst3.txt"), "");
  }
  {
    // No hour kept, but the surface file has data records: the ISCST3 header alone.
    ScratchDir dir;
    inputs(dir, lines({keys(81, 1, 1, 1)}),
           lines({header("  777", "99999"), at(81, 12, 31, 24).line()}), "");
    const auto r = run(dir, kReplies);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(dir.read("cutiscst3.txt"),
              crlf_lines({"       99999       81         777          81"}));
    EXPECT_EQ(dir.read("CutmetSummary.txt"),
              crlf_lines({" NoSurf:   1 No Surf data for:  81  1  1  1"}));
  }
  {
    // A surface file with its header only: no ISCST3 header, every hour NoSurf.
    ScratchDir dir;
    inputs(dir, lines({keys(81, 1, 1, 1)}), lines({header()}), "");
    const auto r = run(dir, kReplies);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(dir.read("cutiscst3.txt"), "");
    EXPECT_EQ(dir.read("CutmetSummary.txt"),
              crlf_lines({" NoSurf:   1 No Surf data for:  81  1  1  1"}));
  }
}

TEST(TessiclipProgram, RecordsAreCutAndPaddedToTheirWidths) {
  ScratchDir dir;
  const std::string long_header = header() + std::string(30, '#');
  const std::string long_surf = Surf{}.line() + std::string(40, '*') + "end";
  const std::string short_prof = keys(80, 5, 2, 12);
  // CR LF line ends read the same as LF.
  inputs(dir, keys(80, 5, 2, 12) + "\r\n", long_header + "\r\n" + long_surf + "\r\n",
         short_prof + "\r\n");
  const auto r = run(dir, kReplies);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir.read("cutsurf.txt"), crlf({long_header.substr(0, 100), long_surf.substr(0, 165)}));
  EXPECT_EQ(dir.read("cutprof.txt"), crlf({padded(short_prof, 165)}));
  EXPECT_EQ(dir.read("cutiscst3.txt"),
            crlf_lines({"         678       80       12345          80",
                        "80 5 212  90.0000   3.5000 293.2 2  850.0  850.0"}));
}

TEST(TessiclipProgram, DialogueRepromptsUntilANameOpens) {
  ScratchDir dir;
  inputs(dir, lines({keys(80, 5, 2, 12)}), lines({header(), Surf{}.line()}),
         lines({prof(80, 5, 2, 12)}));
  dir.write("dates-with-a-long-name-0123456789.txt",
            lines({keys(80, 5, 2, 12), keys(80, 5, 2, 12)}));
  dir.write("dates-with-a-long-name-0123456",
            lines({keys(81, 1, 1, 1)}));  // its first 30 characters
  dir.write("my surface.txt", lines({header(), Surf{}.line()}));
  std::filesystem::create_directory(dir / "folder");  // a folder does not open as a file
  const auto r = run(dir,
                     "nosuch.txt\n"
                     "folder\n"
                     "\n"
                     "   dates-with-a-long-name-0123456789.txt and more\n"  // opened whole
                     "surf\n"
                     "'my surface.txt', ignored\n"
                     "  \"prof.txt\"\n");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "  Dates filename: \n"
            "  Dates filename: \n"
            "  Dates filename: \n"
            "  AERMET surf input ALL hours filename: \n"
            "  AERMET surf input ALL hours filename: \n"
            "  AERMET prof input ALL hours filename: \n");
  EXPECT_EQ(r.err,
            "tessiclip: nosuch.txt: Operating system error: No such file or directory\n"
            "tessiclip: folder: Operating system error: Is a directory\n"
            "tessiclip: surf: Operating system error: No such file or directory\n");
  EXPECT_EQ(dir.read("cutiscst3.txt"),
            crlf_lines({"         678       80       12345          80",
                        "80 5 212  90.0000   3.5000 293.2 2  850.0  850.0",
                        "80 5 212  90.0000   3.5000 293.2 2  850.0  850.0"}));
}

TEST(TessiclipProgram, DatesFileMayBeAFileTheRunWrites) {
  // The dates come from an earlier "cutprof.txt" of more than one buffer's worth
  // of hours: rewriting that file must neither cut the list short nor feed the
  // new records back into it.
  ScratchDir dir;
  std::string surf = header() + "\n", profile, earlier_cut, expected_iscst3;
  std::vector<std::string> expected_prof;
  const int n = 1000;
  for (int i = 0; i < n; ++i) {
    const int d = 1 + i / 24, h = 1 + i % 24;
    surf += at(80, 5, d, h).line() + "\n";
    profile += prof(80, 5, d, h) + "\n";
    earlier_cut += padded(prof(80, 5, d, h), 165) + "\r\n";
    expected_prof.push_back(padded(prof(80, 5, d, h), 165));
  }
  dir.write("surf.txt", surf);
  dir.write("prof.txt", profile);
  dir.write("cutprof.txt", earlier_cut);
  const auto r = run(dir, "cutprof.txt\nsurf.txt\nprof.txt\n");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir.read("cutprof.txt"), crlf(expected_prof));
  const std::string iscst3 = dir.read("cutiscst3.txt");
  EXPECT_EQ(std::count(iscst3.begin(), iscst3.end(), '\n'), n + 1);
  EXPECT_EQ(dir.read("CutmetSummary.txt"), "");
}

TEST(TessiclipProgram, EndOfConsoleInputEndsTheRun) {
  struct Row {
    std::string replies, out;
  } rows[] = {
      {"", "  Dates filename: \n"},
      {"nosuch.txt\nnot-this-either\n",
       "  Dates filename: \n  Dates filename: \n  Dates filename: \n"},
      {"dates.txt\nsurf.txt\n", kAllPrompts.data()},
  };
  for (const auto& row : rows) {
    ScratchDir dir;
    inputs(dir, lines({keys(80, 5, 2, 12)}), lines({header(), Surf{}.line()}),
           lines({prof(80, 5, 2, 12)}));
    const auto r = run(dir, row.replies);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, row.out);
    EXPECT_NE(r.err.find("tessiclip"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("End of file"), std::string::npos) << r.err;
    expect_no_outputs(dir);
  }
}

TEST(TessiclipProgram, EmptySurfaceFileEndsTheRunAtItsHeader) {
  ScratchDir dir;
  inputs(dir, lines({keys(80, 5, 2, 12)}), "", lines({prof(80, 5, 2, 12)}));
  const auto r = run(dir, kReplies);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("surf.txt"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("End of file"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "  Dates filename: \n  AERMET surf input ALL hours filename: \n");
  expect_no_outputs(dir);
}

// A bad record ends the run exactly where reading the file from its top for each
// hour would first reach it (a run that ends there writes nothing).
TEST(TessiclipProgram, BadSurfaceKeyEndsTheRunOnlyWhenASearchReachesIt) {
  Surf bad = at(80, 5, 2, 13);
  bad.d = "2x";
  const Surf a = at(80, 5, 2, 10), b = at(80, 5, 2, 11), c = at(80, 5, 2, 14);
  const std::string surf = lines({header(), a.line(), b.line(), bad.line(), c.line()});
  const std::string profile =
      lines({prof(80, 5, 2, 10), prof(80, 5, 2, 11), prof(80, 5, 2, 13), prof(80, 5, 2, 14)});
  const std::string hdr = "         678       80       12345          80";
  const std::string rec_a = "80 5 210  90.0000   3.5000 293.2 2  850.0  850.0";
  const std::string rec_b = "80 5 211  90.0000   3.5000 293.2 2  850.0  850.0";
  const DatesRow rows[] = {
      {"matched before the bad record",
       {keys(80, 5, 2, 11), keys(80, 5, 2, 10)},
       0,
       {hdr, rec_b, rec_a},
       {}},
      {"hour after the bad record",
       {keys(80, 5, 2, 10), keys(80, 5, 2, 14), keys(80, 5, 2, 11)},
       2,
       {},
       {}},
      {"absent hour passes the whole file", {keys(80, 5, 2, 10), keys(80, 6, 2, 10)}, 2, {}, {}},
      {"blank dates record passes it too", {"", keys(80, 5, 2, 10)}, 2, {}, {}},
      {"the bad record's own hour", {keys(80, 5, 2, 13)}, 2, {}, {}},
  };
  for (const auto& row : rows) {
    ScratchDir dir;
    const auto r = run_row(dir, row, surf, profile);
    if (row.status == 2) {
      // Line 4 of the surface file (after the header), its day field.
      EXPECT_NE(r.err.find("surf.txt line 4"), std::string::npos) << r.err;
      EXPECT_NE(r.err.find("Bad value during integer read"), std::string::npos) << r.err;
    } else {
      EXPECT_EQ(r.err, "") << row.what;
    }
  }
}

TEST(TessiclipProgram, BadFirstSurfaceRecordFailsBeforeTheIscst3Header) {
  ScratchDir dir;
  Surf bad = Surf{};
  bad.hr = "1?";
  inputs(dir, lines({keys(80, 5, 2, 12)}), lines({header(), bad.line(), Surf{}.line()}),
         lines({prof(80, 5, 2, 12)}));
  const auto r = run(dir, kReplies);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("surf.txt line 2"), std::string::npos) << r.err;
  expect_no_outputs(dir);
}

TEST(TessiclipProgram, BadStationNumberFailsAtTheFirstSurfaceRead) {
  {
    ScratchDir dir;
    inputs(dir, lines({keys(80, 5, 2, 12)}), lines({header("12a45"), Surf{}.line()}),
           lines({prof(80, 5, 2, 12)}));
    const auto r = run(dir, kReplies);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("surf.txt line 1"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Bad value during integer read"), std::string::npos) << r.err;
    expect_no_outputs(dir);
  }
  {
    // Never read when the dates file is empty.
    ScratchDir dir;
    inputs(dir, "", lines({header("12a45"), Surf{}.line()}), lines({prof(80, 5, 2, 12)}));
    EXPECT_EQ(run(dir, kReplies).status, 0);
  }
}

TEST(TessiclipProgram, BadProfileKeyEndsTheRunOnlyWhenASearchReachesIt) {
  const std::string surf =
      lines({header(), at(80, 5, 2, 10).line(), at(80, 5, 2, 11).line(), at(80, 5, 2, 12).line()});
  const std::string profile =
      lines({prof(80, 5, 2, 10), prof(80, 5, 2, 10, " upper"), "80  5  2 1.", prof(80, 5, 2, 11)});
  const std::string hdr = "         678       80       12345          80";
  const std::string rec_a = "80 5 210  90.0000   3.5000 293.2 2  850.0  850.0";
  const DatesRow rows[] = {
      {"matched before it", {keys(80, 5, 2, 10), keys(80, 5, 2, 10)}, 0, {hdr, rec_a, rec_a}, {}},
      {"absent from the surface file",
       {keys(80, 5, 2, 10), keys(80, 5, 3, 11)},
       0,
       {hdr, rec_a},
       {" NoSurf:   1 No Surf data for:  80  5  3 11"}},
      {"found only after it", {keys(80, 5, 2, 10), keys(80, 5, 2, 11)}, 2, {}, {}},
      {"absent from the profile file", {keys(80, 5, 2, 12)}, 2, {}, {}},
  };
  for (const auto& row : rows) {
    ScratchDir dir;
    const auto r = run_row(dir, row, surf, profile);
    if (row.status == 0) {
      // cutprof holds the record of every hour kept.
      std::vector<std::string> kept_prof(row.iscst3.size() - 1, padded(prof(80, 5, 2, 10), 165));
      EXPECT_EQ(dir.read("cutprof.txt"), crlf(kept_prof)) << row.what;
    } else {
      EXPECT_NE(r.err.find("prof.txt line 3"), std::string::npos) << r.err;
      EXPECT_NE(r.err.find("Bad value during integer read"), std::string::npos) << r.err;
    }
  }
}

TEST(TessiclipProgram, BadValueFieldsEndTheRunWhereTheyAreRead) {
  // The hour 12 with surface record `s`, whose bad value ends the run at its line.
  auto run_bad = [](const ScratchDir& dir, const Surf& s) {
    inputs(dir, lines({keys(80, 5, 2, 12)}), lines({header(), s.line()}),
           lines({prof(80, 5, 2, 12)}));
    const auto r = run(dir, kReplies);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("surf.txt line 2"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Bad value during floating point read"), std::string::npos) << r.err;
  };
  {
    // The length is read before anything is written for the hour.
    ScratchDir dir;
    Surf s;
    s.L = "-2x.0";
    run_bad(dir, s);
    expect_no_outputs(dir);
  }
  {
    // The other values are read after the two cut records have been written.
    ScratchDir dir;
    Surf s;
    s.ws = "3.5.0";
    run_bad(dir, s);
    expect_no_outputs(dir);
  }
}

TEST(TessiclipProgram, BadDatesRecordEndsTheRunWithoutOutputs) {
  ScratchDir dir;
  inputs(dir, lines({keys(80, 5, 2, 12), "80  5  2 1x", keys(80, 5, 2, 12)}),
         lines({header(), Surf{}.line()}), lines({prof(80, 5, 2, 12)}));
  const auto r = run(dir, kReplies);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("dates.txt line 2"), std::string::npos) << r.err;
  expect_no_outputs(dir);
}

TEST(TessiclipProgram, HelpVersionAndUnknownArguments) {
  ScratchDir dir;
  auto help = run(dir, "", {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("tessiclip"), std::string::npos);
  auto version = run(dir, "", {"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("tessiclip ", 0), 0u) << version.out;
  auto bad = run(dir, "", {"dates.txt"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_FALSE(dir.exists("CutmetSummary.txt"));
}

// The example study: outputs compared with texts made by an independent reference
// cutter (tests/data/tessiclip/reference) on the same inputs.
TEST(TessiclipProgram, ExampleStudyMatchesTheReferenceCutter) {
  ScratchDir dir;
  using testsupport::read_file;
  const std::filesystem::path met = std::filesystem::path(EXAMPLE_DIR) / "met";
  for (const char* name : {"dates.txt", "aermet-surface.txt", "aermet-profile.txt"})
    dir.write(name, read_file(met / name));
  const auto r = run(dir, read_file(met / "replies.txt"));
  ASSERT_EQ(r.status, 0) << r.err;
  const std::filesystem::path expected =
      std::filesystem::path(TEST_DATA_DIR) / "tessiclip" / "example-expected";
  for (const char* name : {"CutmetSummary.txt", "cutsurf.txt", "cutprof.txt", "cutiscst3.txt"})
    EXPECT_EQ(dir.read(name), read_file(expected / name)) << name;
}

}  // namespace
