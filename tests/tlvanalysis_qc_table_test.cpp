// The quality-control table: its index ranges, later records replacing earlier
// ones, and loading it from the quality-control file.
#include <gtest/gtest.h>

#include <string>

#include "records/records.h"
#include "support/scratch.h"
#include "support/tlvanalysis_files.h"
#include "tlvanalysis/qc_table.h"

namespace {

using tlvanalysis::QcTable;
using tlvtest::QcRecord;

TEST(TlvQcTable, EntriesStartAtFlagZero) {
  QcTable t;
  EXPECT_EQ(t.flag(80, 1, 1, 0, 1), 0);
  EXPECT_EQ(t.flag(81, 12, 31, 23, 13), 0);
  EXPECT_FALSE(t.admits(80, 7, 15, 10, 3));
}

TEST(TlvQcTable, EveryEntryIsItsOwn) {
  // Corner and neighbouring keys get distinct flags; each reads back its own.
  QcTable t;
  int flag = 0;
  auto next = [&flag] { return flag = flag % 9 + 1; };
  struct Key {
    int y, m, d, h, a;
  };
  std::vector<std::pair<Key, int>> stored;
  for (int y : {80, 81})
    for (int m : {1, 2, 12})
      for (int d : {1, 2, 31})
        for (int h : {0, 1, 23})
          for (int a : {1, 2, 12, 13}) {
            Key k{y, m, d, h, a};
            const int f = next();
            t.store(k.y, k.m, k.d, k.h, k.a, f);
            stored.push_back({k, f});
          }
  for (const auto& [k, f] : stored) {
    EXPECT_EQ(t.flag(k.y, k.m, k.d, k.h, k.a), f)
        << k.y << " " << k.m << " " << k.d << " " << k.h << " " << k.a;
  }
}

TEST(TlvQcTable, KeysOutsideTheRangesAreIgnored) {
  struct Key {
    int y, m, d, h, a;
  };
  const Key outside[] = {{79, 5, 5, 10, 3},  {82, 5, 5, 10, 3},  {0, 5, 5, 10, 3},
                         {80, 0, 5, 10, 3},  {80, 13, 5, 10, 3}, {80, 5, 0, 10, 3},
                         {80, 5, 32, 10, 3}, {80, 5, 5, -1, 3},  {80, 5, 5, 24, 3},
                         {80, 5, 5, 10, 0},  {80, 5, 5, 10, 14}, {80, 5, 5, 10, -1}};
  QcTable t;
  for (const Key& k : outside) t.store(k.y, k.m, k.d, k.h, k.a, 9);
  for (const Key& k : outside) EXPECT_EQ(t.flag(k.y, k.m, k.d, k.h, k.a), 0);
  // Nothing spilled into the entries at the edges of the ranges.
  for (int y : {80, 81})
    for (int a = 1; a <= 13; ++a) {
      EXPECT_EQ(t.flag(y, 1, 1, 0, a), 0);
      EXPECT_EQ(t.flag(y, 12, 31, 23, a), 0);
      EXPECT_EQ(t.flag(y, 5, 5, 10, a), 0);
    }
}

TEST(TlvQcTable, FlagThreeAndAboveAdmit) {
  QcTable t;
  const int flags[] = {0, 1, 2, 3, 4, 9};
  for (int f : flags) {
    t.store(80, 5, 5, 10, 3, f);
    EXPECT_EQ(t.admits(80, 5, 5, 10, 3), f >= 3) << "flag " << f;
  }
}

TEST(TlvFetchqc, ARecordAdmitsItsHourAndArc) {
  testsupport::ScratchDir dir;
  dir.write(tlvanalysis::kQcFileName, tlvtest::qc_file({QcRecord{}}));
  QcTable t;
  tlvanalysis::fetchqc(dir.path(), t);
  EXPECT_EQ(t.flag(80, 5, 5, 10, 3), 3);  // 2.0 km is arc 3
  EXPECT_TRUE(t.admits(80, 5, 5, 10, 3));
  EXPECT_FALSE(t.admits(80, 5, 5, 10, 2));
  EXPECT_FALSE(t.admits(80, 5, 5, 11, 3));
  EXPECT_FALSE(t.admits(80, 5, 6, 10, 3));
  EXPECT_FALSE(t.admits(81, 5, 5, 10, 3));
}

TEST(TlvFetchqc, RecordsStoreInFileOrder) {
  testsupport::ScratchDir dir;
  std::vector<QcRecord> recs = {
      {"80/05/05", "10", "2.0", "3"},  {"80/05/05", "10", "2.0", "2"},  // later wins: skipped
      {"80/05/05", "11", "1.0", "2"},  {"80/05/05", "11", "1.0", "9"},  // later wins: admitted
      {"81/12/31", "23", "50.0", "5"}, {"80/01/01", " 0", " .5", "4"},
      {"80/05/05", "12", "0.75", "9"},  // 0.75 km lies in no band: ignored
      {"79/05/05", "12", "2.0", "9"},   // outside the years of the table: ignored
      {"80/05/05", "13", "2.0", " "},   // blank flag reads 0
      {"80/ 5/ 5", " 9", "5.0", "4"},   // blanks in the date fields are ignored
  };
  dir.write(tlvanalysis::kQcFileName, tlvtest::qc_file(recs));
  QcTable t;
  tlvanalysis::fetchqc(dir.path(), t);
  EXPECT_EQ(t.flag(80, 5, 5, 10, 3), 2);
  EXPECT_EQ(t.flag(80, 5, 5, 11, 2), 9);
  EXPECT_EQ(t.flag(81, 12, 31, 23, 12), 5);
  EXPECT_EQ(t.flag(80, 1, 1, 0, 1), 4);
  EXPECT_EQ(t.flag(80, 5, 5, 13, 3), 0);
  EXPECT_EQ(t.flag(80, 5, 5, 9, 5), 4);
  for (int a = 1; a <= 13; ++a) EXPECT_EQ(t.flag(80, 5, 5, 12, a), 0) << "arc " << a;
}

TEST(TlvFetchqc, HeaderOnlyFileLoadsNothing) {
  testsupport::ScratchDir dir;
  dir.write(tlvanalysis::kQcFileName, tlvtest::qc_file({}));
  QcTable t;
  EXPECT_NO_THROW(tlvanalysis::fetchqc(dir.path(), t));
  EXPECT_EQ(t.flag(80, 5, 5, 10, 3), 0);
}

// Runs fetchqc on `content` and returns the failure it ends with.
records::RunError qc_failure(const std::string& content) {
  testsupport::ScratchDir dir;
  dir.write(tlvanalysis::kQcFileName, content);
  QcTable t;
  try {
    tlvanalysis::fetchqc(dir.path(), t);
  } catch (const records::RunError& e) {
    return e;
  }
  ADD_FAILURE() << "fetchqc did not fail";
  return records::RunError(0, "", {});
}

TEST(TlvFetchqc, Failures) {
  {
    const records::RunError e = qc_failure(tlvtest::qc_file({}, 47));
    EXPECT_EQ(e.status(), records::kStatusBadInput);
    EXPECT_EQ(e.reason(), records::kEndOfFile);
    EXPECT_EQ(e.where().file, tlvanalysis::kQcFileName);
  }
  {
    const records::RunError e =
        qc_failure(tlvtest::qc_file({QcRecord{}, {"80/05/05", "1O", "2.0", "3"}}));
    EXPECT_EQ(e.status(), records::kStatusBadInput);
    EXPECT_EQ(e.reason(), records::kBadInteger);
    EXPECT_EQ(e.where().line, 50);
    EXPECT_EQ(e.where().first_col, 20);
    EXPECT_EQ(e.where().last_col, 21);
    EXPECT_EQ(e.where().field, "hour");
  }
  {
    const records::RunError e = qc_failure(tlvtest::qc_file({{"80/05/05", "10", "2.O", "3"}}));
    EXPECT_EQ(e.reason(), records::kBadReal);
    EXPECT_EQ(e.where().line, 49);
    EXPECT_EQ(e.where().first_col, 42);
    EXPECT_EQ(e.where().last_col, 45);
    EXPECT_EQ(e.where().field, "arc distance");
  }
  {
    const records::RunError e = qc_failure(tlvtest::qc_file({{"80/05/05", "10", "2.0", "A"}}));
    EXPECT_EQ(e.reason(), records::kBadInteger);
    EXPECT_EQ(e.where().first_col, 88);
    EXPECT_EQ(e.where().field, "quality flag");
  }
}

TEST(TlvFetchqc, MissingFileIsAnOperatingSystemError) {
  testsupport::ScratchDir dir;
  QcTable t;
  try {
    tlvanalysis::fetchqc(dir.path(), t);
    ADD_FAILURE() << "fetchqc did not fail";
  } catch (const records::RunError& e) {
    EXPECT_EQ(e.status(), records::kStatusOsError);
    EXPECT_EQ(e.reason().rfind(records::kOsErrorPrefix, 0), 0u) << e.reason();
  }
}

}  // namespace
