// Reading observation blocks: the values each record gives, concentration
// scaling, block lengths, and the failures that name the file's line and columns.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/records.h"
#include "support/scratch.h"
#include "support/tlvanalysis_files.h"
#include "tlvanalysis/observation_reader.h"

namespace {

using tlvanalysis::ObservationReader;
using tlvanalysis::SamplerArrays;
using tlvanalysis::SharedBlocks;
using tlvtest::Block;

// The observation file of a test and a reader on it.
struct Fixture {
  explicit Fixture(const std::string& content) {
    dir.write(tlvanalysis::kObservationFileName, content);
    file.emplace(records::InputFile::open(dir.path(), tlvanalysis::kObservationFileName));
    reader.emplace(*file);
  }
  // Skips the key record and reads the rest of the block.
  void fetch_block() {
    file->skip();
    reader->fetch(n, first, last, samplers, blocks);
  }
  testsupport::ScratchDir dir;
  std::optional<records::InputFile> file;
  std::optional<ObservationReader> reader;
  int n = -7, first = -7, last = -7;
  SamplerArrays samplers;
  SharedBlocks blocks;
};

TEST(TlvFetch, ReadsTheBlockValues) {
  Block b;
  b.obk = "-45.6";
  b.ts = "400.0";
  b.vs = "12.5";
  b.q = "12.35";
  b.factor = "1000.0";
  b.dist = "2.0";
  b.samplers = {{"285.600", "4386.100", "-1.00"},
                {"285.700", "4386.000", "2.50"},
                {"285.800", "4385.900", "0.00"},
                {"285.900", "4385.800", "   "},
                {"286.000", "4385.700", "0.004"}};
  Fixture f(tlvtest::block_text(b));
  f.blocks.main1.DISTFAC = 1.0f;
  f.fetch_block();
  EXPECT_EQ(f.n, 5);
  EXPECT_EQ(f.first, 1);
  EXPECT_EQ(f.last, 5);
  EXPECT_EQ(f.blocks.met.OBK, -45.6f);
  EXPECT_EQ(f.blocks.met.TS, 400.0f);
  EXPECT_EQ(f.blocks.met.VS, 12.5f);
  EXPECT_EQ(f.blocks.main0.Q, 12.35f);
  EXPECT_EQ(f.blocks.mainn.IARC, 3);
  EXPECT_EQ(f.blocks.main1.DISTFAC, 1000.0f);
  ASSERT_GE(f.samplers.CONC.size(), 5u);
  EXPECT_EQ(f.samplers.XREC[0], 285.6f);
  EXPECT_EQ(f.samplers.YREC[0], 4386.1f);
  EXPECT_EQ(f.samplers.XREC[4], 286.0f);
  EXPECT_EQ(f.samplers.YREC[4], 4385.7f);
  // Positive concentrations are scaled (single-precision product); zero and
  // negative values stay as read; a blank field is a valid zero.
  EXPECT_EQ(f.samplers.CONC[0], -1.0f);
  EXPECT_EQ(f.samplers.CONC[1], 2500.0f);
  EXPECT_EQ(f.samplers.CONC[2], 0.0f);
  EXPECT_EQ(f.samplers.CONC[3], 0.0f);
  EXPECT_EQ(f.samplers.CONC[4], 0.004f * 1000.0f);
}

TEST(TlvFetch, ArcRecordFields) {
  struct Case {
    std::string dist, count;
    int iarc, n;
  };
  const Case cases[] = {
      {"  5.0", "   24", 5, 24}, {"   50", "   24", 5, 24},  // no point: one implied decimal
      {"0.5", "3", 1, 3},        {"30.0", "3", 10, 3},      {"50.0", "3", 12, 3},
      {"0.75", "3", 0, 3},       {"35.0", "3", 0, 3},       {"", "", 0, 0},
      {"1.0", "0", 2, 0},        {"1.0", "-4", 2, -4},
  };
  for (const Case& c : cases) {
    Block b;
    b.dist = c.dist;
    b.count = c.count;
    for (int i = 0; i < std::max(c.n, 0); ++i) b.samplers.push_back({"285.6", "4386.1", "1.0"});
    Block next;
    next.time = "1100";
    next.samplers = tlvtest::small_plume();
    Fixture f(tlvtest::block_text(b) + tlvtest::block_text(next));
    f.fetch_block();
    EXPECT_EQ(f.blocks.mainn.IARC, c.iarc) << "distance '" << c.dist << "'";
    EXPECT_EQ(f.n, c.n) << "count '" << c.count << "'";
    EXPECT_EQ(f.last, c.n);
    // The block consumed exactly its own records: the next key record follows.
    EXPECT_EQ(f.file->line(), 6 + std::max(c.n, 0));
    f.fetch_block();
    EXPECT_EQ(f.n, 3);
  }
}

TEST(TlvFetch, IgnoredRecordsAndColumnsPastTheTextAreNeverConverted) {
  Block b;
  b.samplers = tlvtest::small_plume();
  b.record3 =
      "XXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX";
  b.record6 = b.record3;
  std::string text = tlvtest::block_text(b);
  // Letters beyond column 120 of the source record are cut off with the text.
  const auto source_end = text.find('\n', text.find(" STACK"));
  text.insert(source_end, std::string(120 - (source_end - text.find(" STACK")), ' ') + "ABC");
  Fixture f(text);
  f.fetch_block();
  EXPECT_EQ(f.n, 3);
  EXPECT_EQ(f.blocks.main0.Q, 12.35f);
}

TEST(TlvFetch, ShortRecordsReadBlanksAsZero) {
  Fixture f(tlvtest::key_record(" 80-05-05 ", "1000") + "\n\n\n STACK\n\n\n");
  f.blocks.met.OBK = 5.0f;
  f.blocks.main0.Q = 5.0f;
  f.fetch_block();
  EXPECT_EQ(f.blocks.met.OBK, 0.0f);
  EXPECT_EQ(f.blocks.main0.Q, 0.0f);
  EXPECT_EQ(f.n, 0);
  EXPECT_EQ(f.blocks.mainn.IARC, 0);
}

TEST(TlvFetch, MoreThanTwoHundredSamplersAreReadWhole) {
  Block big;
  big.dist = "5.0";
  for (int i = 0; i < 250; ++i) {
    big.samplers.push_back({"286.0", "4386.0", tlvtest::fixed(i * 0.5, 2)});
  }
  Block next;
  next.samplers = tlvtest::small_plume();
  Fixture f(tlvtest::block_text(big) + tlvtest::block_text(next));
  f.fetch_block();
  EXPECT_EQ(f.n, 250);
  ASSERT_GE(f.samplers.CONC.size(), 250u);
  for (int i = 0; i < 250; ++i) EXPECT_EQ(f.samplers.CONC[static_cast<std::size_t>(i)], i * 0.5f);
  f.fetch_block();
  EXPECT_EQ(f.n, 3);
  EXPECT_EQ(f.samplers.CONC[1], 2.0f);
  EXPECT_EQ(f.samplers.CONC[249], 124.5f);  // entries past n keep the last block's values
}

// Fetches the first block of `content` and returns the failure it ends with.
records::RunError fetch_failure(const std::string& content) {
  Fixture f(content);
  try {
    f.fetch_block();
  } catch (const records::RunError& e) {
    return e;
  }
  ADD_FAILURE() << "fetch did not fail";
  return records::RunError(0, "", {});
}

TEST(TlvFetch, FieldsThatDoNotConvertNameTheirColumns) {
  struct Case {
    const char* what;
    Block block;
    long line;
    int first_col, last_col;
    std::string field;
    std::string_view reason;
  };
  auto with = [](auto change) {
    Block b;
    b.samplers = tlvtest::small_plume();
    change(b);
    return b;
  };
  const Case cases[] = {
      {"OBK", with([](Block& b) { b.obk = "-4S.6"; }), 2, 30, 38, "Obukhov length",
       records::kBadReal},
      {"TS", with([](Block& b) { b.ts = "4OO"; }), 4, 30, 37, "exit temperature",
       records::kBadReal},
      {"VS", with([](Block& b) { b.vs = "fast"; }), 4, 47, 55, "exit velocity", records::kBadReal},
      {"Q", with([](Block& b) { b.q = "12,35"; }), 4, 67, 75, "emission rate", records::kBadReal},
      {"factor", with([](Block& b) { b.factor = "one"; }), 4, 87, 97, "concentration factor",
       records::kBadReal},
      {"distance", with([](Block& b) { b.dist = "2 km"; }), 5, 12, 16, "arc distance",
       records::kBadReal},
      {"count", with([](Block& b) { b.count = "3.0"; }), 5, 32, 36, "sampler count",
       records::kBadInteger},
      {"easting", with([](Block& b) { b.samplers[1].x = "E285.7"; }), 8, 5, 12, "easting",
       records::kBadReal},
      {"northing", with([](Block& b) { b.samplers[2].y = "4385.9N"; }), 9, 13, 22, "northing",
       records::kBadReal},
      {"concentration", with([](Block& b) { b.samplers[0].conc = "n/a"; }), 7, 33, 42,
       "concentration", records::kBadReal},
  };
  for (const Case& c : cases) {
    const records::RunError e = fetch_failure(tlvtest::block_text(c.block));
    EXPECT_EQ(e.status(), records::kStatusBadInput) << c.what;
    EXPECT_EQ(e.reason(), c.reason) << c.what;
    EXPECT_EQ(e.where().file, tlvanalysis::kObservationFileName) << c.what;
    EXPECT_EQ(e.where().line, c.line) << c.what;
    EXPECT_EQ(e.where().first_col, c.first_col) << c.what;
    EXPECT_EQ(e.where().last_col, c.last_col) << c.what;
    EXPECT_EQ(e.where().field, c.field) << c.what;
  }
}

TEST(TlvFetch, FileEndingInsideABlockIsEndOfFile) {
  Block b;
  b.samplers = tlvtest::small_plume();
  const std::string whole = tlvtest::block_text(b);
  // Cut after every record short of the last one: each cut ends the run.
  std::size_t cut = whole.find('\n');
  for (int records_kept = 1; records_kept < 9; ++records_kept) {
    const records::RunError e = fetch_failure(whole.substr(0, cut + 1));
    EXPECT_EQ(e.status(), records::kStatusBadInput) << records_kept;
    EXPECT_EQ(e.reason(), records::kEndOfFile) << records_kept;
    EXPECT_EQ(e.where().file, tlvanalysis::kObservationFileName);
    cut = whole.find('\n', cut + 1);
  }
}

}  // namespace
