// The in-memory AERMET records: first record of a key, lazy key conversion that
// fails only when a scan from the top would reach the bad record, searchprof.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "records/records.h"
#include "support/scratch.h"
#include "tessiclip/aermet_index.h"

namespace {

using tessiclip::AermetRecords;
using tessiclip::HourKey;
using tessiclip::searchprof;

// A profile record: the keys "(i2,3i3)" and the rest of the line.
std::string prof(int y, int m, int d, int h, std::string_view rest) {
  char keys[64];
  std::snprintf(keys, sizeof keys, "%2d%3d%3d%3d", y, m, d, h);
  return std::string(keys) + std::string(rest);
}

std::string pad165(std::string s) {
  s.resize(165, ' ');
  return s;
}

// Loads `content` as a profile file (no header record).
struct Loaded {
  testsupport::ScratchDir dir;
  records::InputFile file;
  AermetRecords recs;
  explicit Loaded(std::string_view content,
                  std::string_view key_layout = tessiclip::kProfileKeyLayout)
      : file((dir.write("prof.txt", content), records::InputFile::open(dir.path(), "prof.txt"))),
        recs(file, key_layout) {}
};

std::string lines(std::initializer_list<std::string> ls) {
  std::string s;
  for (const auto& l : ls) s += l + "\n";
  return s;
}

// Runs `f`, expecting a RunError; returns it.
template <class F>
records::RunError expect_run_error(F&& f) {
  try {
    f();
  } catch (const records::RunError& e) {
    return e;
  }
  ADD_FAILURE() << "no RunError";
  return records::RunError(0, "", {});
}

TEST(TessiclipAermetRecords, FirstOfDuplicatesInAnyCallOrder) {
  const std::string a1 = prof(80, 7, 15, 10, "   10.0 0  first"),
                    a2 = prof(80, 7, 15, 10, "   50.0 1  second"),
                    b1 = prof(80, 7, 15, 11, "   10.0 0  b-first"),
                    b2 = prof(80, 7, 15, 11, "   50.0 1  b-second");
  Loaded l(lines({a1, a2, b1, b2}));
  std::string buf(165, ' ');
  // Descending order first, then ascending, then the same hour again.
  for (const HourKey k : {HourKey{80, 7, 15, 11}, HourKey{80, 7, 15, 10}, HourKey{80, 7, 15, 11},
                          HourKey{80, 7, 15, 10}}) {
    ASSERT_EQ(searchprof(l.recs, k, buf), 0);
    EXPECT_EQ(buf, pad165(k.hour == 10 ? a1 : b1));
  }
  EXPECT_EQ(searchprof(l.recs, HourKey{80, 7, 15, 12}, buf), -1);
  EXPECT_EQ(searchprof(l.recs, HourKey{1980, 7, 15, 10}, buf), -1);  // no widening
  EXPECT_EQ(l.recs.converted(), 4u);

  Loaded empty("");
  EXPECT_EQ(searchprof(empty.recs, HourKey{80, 7, 15, 10}, buf), -1);
  EXPECT_EQ(searchprof(empty.recs, HourKey{0, 0, 0, 0}, buf), -1);
}

TEST(TessiclipAermetRecords, KeysConvertOnlyAsFarAsTheSearchReaches) {
  Loaded l(lines({prof(80, 7, 15, 10, ""), prof(80, 7, 15, 11, ""), prof(80, 7, 15, 12, ""),
                  "8x  7 15 13", prof(80, 7, 15, 14, "")}));
  std::string buf;
  EXPECT_EQ(searchprof(l.recs, HourKey{80, 7, 15, 10}, buf), 0);
  EXPECT_EQ(l.recs.converted(), 1u);
  EXPECT_EQ(searchprof(l.recs, HourKey{80, 7, 15, 12}, buf), 0);
  EXPECT_EQ(l.recs.converted(), 3u);
  EXPECT_EQ(searchprof(l.recs, HourKey{80, 7, 15, 11}, buf), 0);
  EXPECT_EQ(l.recs.converted(), 3u);
}

TEST(TessiclipAermetRecords, BadKeyFailsOnlySearchesThatPassIt) {
  // Record 4 (line 4) does not read as "(i2,3i3)"; record 5 lies beyond it.
  Loaded l(lines({prof(80, 7, 15, 10, ""), prof(80, 7, 15, 11, ""), prof(80, 7, 15, 10, ""),
                  "80  7 1x 12", prof(80, 7, 15, 13, "")}));
  std::string buf;
  struct Row {
    HourKey want;
    bool fails;
  } rows[] = {
      {{80, 7, 15, 11}, false},  // matched before the bad record
      {{80, 7, 15, 13}, true},   // its only record lies beyond the bad one
      {{80, 7, 15, 12}, true},   // the bad record's own hour, unreadable
      {{80, 7, 15, 99}, true},   // absent: a scan would pass the whole file
      {{80, 7, 15, 10}, false},  // still found after the failures
  };
  for (const auto& row : rows) {
    if (!row.fails) {
      EXPECT_EQ(searchprof(l.recs, row.want, buf), 0) << row.want.hour;
      continue;
    }
    const auto e = expect_run_error([&] { searchprof(l.recs, row.want, buf); });
    EXPECT_EQ(e.status(), records::kStatusBadInput);
    EXPECT_EQ(e.reason(), records::kBadInteger) << row.want.hour;
    EXPECT_EQ(e.where().line, 4) << row.want.hour;
    EXPECT_NE(e.where().file.find("prof.txt"), std::string::npos) << e.where().file;
  }
}

TEST(TessiclipAermetRecords, SurfaceKeysSkipTheDayOfYearAndCountLinesAfterTheHeader) {
  testsupport::ScratchDir dir;
  dir.write("surf.txt",
            "header record\n"
            "80  7 15 197 10   125.4\n"
            "80  7 15 1x7 11   130.0\n"  // columns 9-12 are not read
            "80  7 15 197 1?   130.0\n");
  auto file = records::InputFile::open(dir.path(), "surf.txt");
  file.skip();
  AermetRecords recs(file, tessiclip::kSurfaceKeyLayout);
  ASSERT_EQ(recs.size(), 3u);
  EXPECT_EQ(recs.key(1), (HourKey{80, 7, 15, 11}));
  EXPECT_EQ(recs.find_first(HourKey{80, 7, 15, 11}), std::optional<std::size_t>(1));
  const auto e = expect_run_error([&] { recs.find_first(HourKey{80, 7, 15, 12}); });
  EXPECT_EQ(e.where().line, 4);
  EXPECT_EQ(e.where().first_col, 13);
  EXPECT_EQ(e.where().last_col, 15);
  EXPECT_EQ(recs.origin(0).line, 2);
}

}  // namespace
