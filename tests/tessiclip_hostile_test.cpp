// tessiclip on hostile input. Refused: input files that do not open (the prompt
// repeats until the replies run out), an empty surface file (its header is
// missing), letters and binary bytes in key and value fields; each ends with its
// status, a message naming the file (and line) and the cut files written before
// it intact on disk. Run as ordinary input, ending normally: counters above 999,
// records far longer than their layouts, CR-only line ends, empty dates and
// profile files.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/harness.h"
#include "support/run.h"
#include "support/scratch.h"
#include "tessiclip/tessiclip.h"

namespace {

using testsupport::crlf;
using testsupport::lines;
using testsupport::padded;
using testsupport::place;

constexpr std::string_view kReplies = "dates.txt\nsurface.txt\nprofile.txt\n";
constexpr std::string_view kDatesPrompt = "  Dates filename: \n";
constexpr std::string_view kSurfacePrompt = "  AERMET surf input ALL hours filename: \n";

std::string i3(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%3d", v);
  return v > 999 ? "***" : buf;
}

// "(i2,3i3)": a dates record, and the keys of a profile record.
std::string hour_key(int y, int m, int d, int h) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%2d%3d%3d%3d", y, m, d, h);
  return buf;
}

// The surface header: upper-air station 12345 in columns 41-45, surface station
// 678 in columns 58-62.
std::string surface_header() {
  std::string h = "   51.650N    1.350W";
  place(h, 34, "UA_ID: 12345");
  place(h, 51, "SF_ID:   678");
  return place(h, 83, "VERSION: 11059");
}

// A surface record of 80-05-02 hour `h`: H 125.3, mixing heights 850 and 300,
// L -20.0, z0 0.1, wind speed 3.5, temperature 293.2 (class 2 by the Obukhov
// length), 127 columns.
std::string surface_record(int h, std::string_view L = "    -20.0") {
  std::string r = hour_key(80, 5, 2, 0).substr(0, 8) + " 123";
  char hr[16];
  std::snprintf(hr, sizeof hr, "%3d", h);
  place(r, 13, hr);
  place(r, 16, "  125.3  0.412  1.234  0.005");
  place(r, 44, "  850.  300.");
  place(r, 56, L);
  place(r, 65, "  0.1000   0.80    0.18");
  place(r, 88, "   3.50  246.5   10.0");
  return place(r, 109, "  293.2    2.0    0");
}

std::string profile_record(int h, std::string_view level = "   10.0") {
  return hour_key(80, 5, 2, h) + std::string(level) + " 0  219.6    3.65   288.8   99.00   99.00";
}

// The ISCST3 records of those hours.
constexpr std::string_view kIscst3Header = "         678       80       12345          80";
std::string iscst3_hour(int h) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "80 5 2%2d  90.0000   3.5000 293.2 2  850.0  850.0", h);
  return buf;
}

testsupport::RunResult run(const testsupport::ScratchDir& dir,
                           std::string_view replies = kReplies) {
  return testsupport::run_program(run_tessiclip, dir.path(), {}, replies);
}

bool has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Hours 12 and 13 in both AERMET files.
void write_study(const testsupport::ScratchDir& dir, const std::vector<std::string>& dates) {
  dir.write("dates.txt", lines(dates));
  dir.write("surface.txt", lines({surface_header(), surface_record(12), surface_record(13)}));
  dir.write("profile.txt", lines({profile_record(12), profile_record(12, "  100.0"),
                                  profile_record(13), profile_record(13, "  100.0")}));
}

// ---------------------------------------------------------------------------
// Refused

TEST(HostileTessiclip, InputFilesThatDoNotOpen) {
  {
    testsupport::ScratchDir dir;
    const auto r = run(dir, "nosuch.txt\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(has(r.err, "tessiclip: standard input")) << r.err;
    EXPECT_TRUE(has(r.err, "End of file")) << r.err;
    EXPECT_EQ(r.out, std::string(kDatesPrompt) + std::string(kDatesPrompt));
    EXPECT_FALSE(dir.exists("CutmetSummary.txt"));
    EXPECT_FALSE(dir.exists("cutsurf.txt"));
  }
  {  // the surface file is missing and the replies name it twice
    testsupport::ScratchDir dir;
    write_study(dir, {hour_key(80, 5, 2, 12)});
    std::filesystem::remove(dir / "surface.txt");
    const auto r = run(dir, "dates.txt\nsurface.txt\nsurface.txt\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(has(r.err, "tessiclip: standard input line 3")) << r.err;
    EXPECT_EQ(r.out, std::string(kDatesPrompt) + std::string(kSurfacePrompt) +
                         std::string(kSurfacePrompt) + std::string(kSurfacePrompt));
    EXPECT_FALSE(dir.exists("cutsurf.txt"));
  }
}

TEST(HostileTessiclip, EmptySurfaceFileHasNoHeader) {
  testsupport::ScratchDir dir;
  write_study(dir, {hour_key(80, 5, 2, 12)});
  dir.write("surface.txt", "");
  const auto r = run(dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(has(r.err, "tessiclip: surface.txt")) << r.err;
  EXPECT_TRUE(has(r.err, "End of file")) << r.err;
  EXPECT_EQ(dir.read("CutmetSummary.txt"), "");
  EXPECT_FALSE(dir.exists("cutsurf.txt"));
}

// Hour 12 is kept, then the second dates record meets a bad field; what was
// written for hour 12 stays. A bad value of the kept hour itself comes after its
// surface and profile records have gone to the cut copies.
// A bad field ends the run naming it; the outputs of an earlier run stay as they were.
TEST(HostileTessiclip, LettersAndBinaryBytesInNumericFields) {
  struct Fault {
    const char* what;
    std::string dates, surface, profile;  // empty: the study's file
    const char* message;
  };
  std::string bad_wind = surface_record(13);
  place(bad_wind, 88, "   3.5x");
  std::string bad_length = surface_record(13);
  place(bad_length, 56, "    -2O.0");
  std::string bad_key = surface_record(99);
  place(bad_key, 1, "8O");
  std::string bad_header = surface_header();
  place(bad_header, 41, "12a45");
  const std::string std_dates = lines({hour_key(80, 5, 2, 12), hour_key(80, 5, 2, 13)});
  const Fault faults[] = {
      {"a letter in a dates record", lines({hour_key(80, 5, 2, 12), "80  5 2x 13"}), "", "",
       "dates.txt line 2, columns 6-8 (day): Bad value during integer read"},
      {"a NUL in a dates record", lines({hour_key(80, 5, 2, 12), std::string("80  5  2 1\0", 11)}),
       "", "", "dates.txt line 2, columns 9-11 (hour): Bad value during integer read"},
      {"a letter in a surface key passed by the search", std_dates,
       lines({surface_header(), surface_record(12), bad_key, surface_record(13)}), "",
       "surface.txt line 3, columns 1-2 (year): Bad value during integer read"},
      {"a letter in the Obukhov length", std_dates,
       lines({surface_header(), surface_record(12), bad_length}), "",
       "surface.txt line 3, columns 56-64 (Obukhov length): Bad value during floating point read"},
      {"a letter in the wind speed of a kept hour", std_dates,
       lines({surface_header(), surface_record(12), bad_wind}), "",
       "surface.txt line 3, columns 88-94 (wind speed): Bad value during floating point read"},
      {"a binary byte in a profile key passed by the search", std_dates, "",
       lines({profile_record(12), std::string("80\xff 5  2 13"), profile_record(13)}),
       "profile.txt line 2, columns 3-5 (month): Bad value during integer read"},
      {"a letter in a station number of the surface header", std_dates,
       lines({bad_header, surface_record(12), surface_record(13)}), "",
       "surface.txt line 1, columns 41-45 (station number): Bad value during integer read"},
  };
  const char* outputs[] = {"cutsurf.txt", "cutprof.txt", "cutiscst3.txt", "CutmetSummary.txt"};
  for (const Fault& f : faults) {
    SCOPED_TRACE(f.what);
    testsupport::ScratchDir dir;
    write_study(dir, {});
    dir.write("dates.txt", f.dates);
    if (!f.surface.empty()) dir.write("surface.txt", f.surface);
    if (!f.profile.empty()) dir.write("profile.txt", f.profile);
    for (const char* out : outputs) dir.write(out, std::string("earlier ") + out + "\r\n");
    const auto r = run(dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "tessiclip: " + std::string(f.message) + "\n");
    for (const char* out : outputs)
      EXPECT_EQ(dir.read(out), std::string("earlier ") + out + "\r\n") << out;
  }
}

// ---------------------------------------------------------------------------
// Accepted

// 1001 hours that the surface file lacks: 1001 NoSurf messages, the counter of the
// 1000th and 1001st written as three asterisks by its i3 field.
TEST(HostileTessiclip, CountersAboveNineHundredNinetyNine) {
  std::vector<std::string> dates, expected;
  for (int k = 1; k <= 1001; ++k) {
    const int m = 6 + (k - 1) / 744, d = 1 + (k - 1) / 24 % 31, h = 1 + (k - 1) % 24;
    dates.push_back(hour_key(80, m, d, h));
    expected.push_back(" NoSurf: " + i3(k) + " No Surf data for: " + i3(80) + i3(m) + i3(d) +
                       i3(h));
  }
  testsupport::ScratchDir dir;
  write_study(dir, dates);
  const auto r = run(dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir.read("CutmetSummary.txt"), crlf(expected));
  EXPECT_EQ(expected[999].substr(0, 12), " NoSurf: ***");
  EXPECT_EQ(dir.read("cutsurf.txt"), crlf({padded(surface_header(), 100)}));
  EXPECT_EQ(dir.read("cutiscst3.txt"), crlf({std::string(kIscst3Header)}));
}

// Records of thousands of columns: only the first 100 columns of the header and
// the first 165 of a surface or profile record are kept; dates records are read
// from their first 11 columns.
TEST(HostileTessiclip, RecordsFarLongerThanTheirLayouts) {
  const std::string junk = " 99 99 99 JUNK " + std::string(3000, 'Q');
  const std::string header = surface_header() + std::string(20, ' ') + junk;
  const std::string s12 = surface_record(12) + std::string(50, ' ') + junk;
  const std::string s13 = surface_record(13) + std::string(50, ' ') + junk;
  const std::string p12 = profile_record(12) + std::string(130, ' ') + junk;
  const std::string p13 = profile_record(13) + std::string(130, ' ') + junk;
  testsupport::ScratchDir dir;
  dir.write("dates.txt", lines({hour_key(80, 5, 2, 13) + junk, hour_key(80, 5, 2, 12) + junk}));
  dir.write("surface.txt", lines({header, s12, s13}));
  dir.write("profile.txt", lines({p12, p13}));
  const auto r = run(dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir.read("cutsurf.txt"),
            crlf({padded(header, 100), s13.substr(0, 165), s12.substr(0, 165)}));
  EXPECT_EQ(dir.read("cutprof.txt"), crlf({p13.substr(0, 165), p12.substr(0, 165)}));
  EXPECT_EQ(dir.read("cutiscst3.txt"),
            crlf({std::string(kIscst3Header), iscst3_hour(13), iscst3_hour(12)}));
  EXPECT_EQ(dir.read("CutmetSummary.txt"), "");
}

// Lines ended by CR alone make one record: a dates file of three such lines is one
// hour (12); a profile file of two is one record, found for hour 12 and copied
// with its CR and the text after it, while hour 13 has no profile record.
TEST(HostileTessiclip, CrOnlyLineEndsMakeOneRecord) {
  testsupport::ScratchDir dir;
  write_study(dir, {});
  dir.write("dates.txt",
            lines({hour_key(80, 5, 2, 12), hour_key(80, 5, 2, 13), hour_key(80, 5, 2, 14)}, "\r"));
  auto r = run(dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir.read("cutsurf.txt"),
            crlf({padded(surface_header(), 100), padded(surface_record(12), 165)}));
  EXPECT_EQ(dir.read("cutiscst3.txt"), crlf({std::string(kIscst3Header), iscst3_hour(12)}));
  EXPECT_EQ(dir.read("CutmetSummary.txt"), "");

  testsupport::ScratchDir prof;
  write_study(prof, {hour_key(80, 5, 2, 12), hour_key(80, 5, 2, 13)});
  const std::string merged = profile_record(12) + "\r" + profile_record(13);
  prof.write("profile.txt", merged + "\n");
  r = run(prof);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(prof.read("cutprof.txt"), crlf({padded(merged, 165)}));
  EXPECT_EQ(prof.read("CutmetSummary.txt"), crlf({" NoProf:   1 No Prof data for:  80  5  2 13"}));
}

// An empty dates file: the surface header alone in cutsurf.txt; the other output
// files get no record, so those of an earlier run keep their content.
TEST(HostileTessiclip, EmptyDatesFile) {
  testsupport::ScratchDir dir;
  write_study(dir, {});
  for (const char* name : {"cutprof.txt", "cutiscst3.txt", "CutmetSummary.txt"})
    dir.write(name, "earlier run\r\n");
  const auto r = run(dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir.read("cutsurf.txt"), crlf({padded(surface_header(), 100)}));
  for (const char* name : {"cutprof.txt", "cutiscst3.txt", "CutmetSummary.txt"})
    EXPECT_EQ(dir.read(name), "earlier run\r\n") << name;
}

// An empty profile file: every hour with a surface record is a NoProf hour.
TEST(HostileTessiclip, EmptyProfileFile) {
  testsupport::ScratchDir dir;
  write_study(dir, {hour_key(80, 5, 2, 12), hour_key(80, 5, 2, 13)});
  dir.write("profile.txt", "");
  const auto r = run(dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir.read("CutmetSummary.txt"), crlf({" NoProf:   1 No Prof data for:  80  5  2 12",
                                                 " NoProf:   2 No Prof data for:  80  5  2 13"}));
  EXPECT_EQ(dir.read("cutsurf.txt"), crlf({padded(surface_header(), 100)}));
  EXPECT_EQ(dir.read("cutprof.txt"), "");
  EXPECT_EQ(dir.read("cutiscst3.txt"), crlf({std::string(kIscst3Header)}));
}

// A mistyped name: the prompt comes again and the next reply is taken.
TEST(HostileTessiclip, MistypedNameIsAskedAgain) {
  testsupport::ScratchDir dir;
  write_study(dir, {hour_key(80, 5, 2, 12)});
  const auto r = run(dir, "datse.txt\ndates.txt\nsurface.txt\nprofile.txt\n");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, 2 * kDatesPrompt.size() + kSurfacePrompt.size()),
            std::string(kDatesPrompt) + std::string(kDatesPrompt) + std::string(kSurfacePrompt));
  EXPECT_EQ(dir.read("cutiscst3.txt"), crlf({std::string(kIscst3Header), iscst3_hour(12)}));
}

}  // namespace
