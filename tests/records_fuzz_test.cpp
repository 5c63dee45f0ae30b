// Bad input never crashes: random bytes and random layouts' fields fed to the
// reader (from a text, a file and the console), random layout strings to the
// parser, and random values to the writer. Run under ASan+UBSan in the sanitizer
// build; every failure must be a RunError (input) or invalid_argument (layout).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "records/records.h"
#include "support/scratch.h"

namespace {

struct RandomLayout {
  std::string source;
  std::vector<char> kinds;  // 'i', 'r', 'a' per data descriptor
};

RandomLayout random_layout(std::mt19937& rng, bool allow_slash) {
  RandomLayout l;
  l.source = "(";
  int n = 1 + static_cast<int>(rng() % 8);
  for (int k = 0; k < n; ++k) {
    if (k) l.source += ',';
    int w = 1 + static_cast<int>(rng() % 14);
    switch (rng() % 10) {
      case 0:
        l.source += std::to_string(w) + "x";
        break;
      case 1:
        l.source += "t" + std::to_string(1 + rng() % 40);
        break;
      case 2:
        if (allow_slash) {
          l.source += "/";
          break;
        }
        [[fallthrough]];
      case 3:
        l.source += "i" + std::to_string(w);
        l.kinds.push_back('i');
        break;
      case 4:
        l.source += "i" + std::to_string(w) + "." + std::to_string(rng() % (w + 1));
        l.kinds.push_back('i');
        break;
      case 5:
        l.source += "f" + std::to_string(w) + "." + std::to_string(rng() % (w + 1));
        l.kinds.push_back('r');
        break;
      case 6:
        l.source += "1pe" + std::to_string(w) + "." + std::to_string(rng() % (w + 1)) + ",0p";
        l.kinds.push_back('r');
        break;
      case 7:
        l.source += "g" + std::to_string(w) + "." + std::to_string(rng() % (w + 1));
        l.kinds.push_back('r');
        break;
      case 8:
        l.source += "a" + std::to_string(w);
        l.kinds.push_back('a');
        break;
      default:
        l.source += "a";
        l.kinds.push_back('a');
        break;
    }
  }
  l.source += ")";
  return l;
}

std::string random_record(std::mt19937& rng) {
  static const char alphabet[] = "0123456789      +-.eEdD,\r\t*xNaIf/'\"";
  std::string s(rng() % 60, ' ');
  for (char& c : s) {
    std::uint32_t r = rng();
    c = (r & 7) == 0 ? static_cast<char>(r >> 8) : alphabet[(r >> 8) % (sizeof alphabet - 1)];
  }
  return s;
}

// Destinations matching the layout's data descriptors.
struct Targets {
  std::vector<int> ints;
  std::vector<float> reals;
  std::vector<std::string> texts;
  std::vector<records::Dest> dests;
  explicit Targets(const RandomLayout& l, std::mt19937& rng) {
    ints.resize(l.kinds.size());
    reals.resize(l.kinds.size());
    texts.resize(l.kinds.size());
    for (std::size_t k = 0; k < l.kinds.size(); ++k) {
      if (l.kinds[k] == 'i') dests.push_back(&ints[k]);
      if (l.kinds[k] == 'r') dests.push_back(&reals[k]);
      if (l.kinds[k] == 'a') {
        texts[k] = std::string(rng() % 12, ' ');
        dests.push_back(records::text(texts[k]));
      }
    }
  }
};

TEST(Fuzz, ReaderFromTextsNeverFailsOtherwise) {
  std::mt19937 rng(424242);
  int ok = 0, faults = 0;
  for (int round = 0; round < 4000; ++round) {
    RandomLayout l = random_layout(rng, false);
    records::Layout layout(l.source);
    for (int rep = 0; rep < 25; ++rep) {
      Targets t(l, rng);
      std::string rec = random_record(rng);
      std::size_t ndest = rng() % (t.dests.size() + 1);  // fewer items than fields too
      try {
        records::read_text(layout, rec, std::span<const records::Dest>(t.dests.data(), ndest),
                           records::Origin{"fuzz", 1});
        ++ok;
      } catch (const records::RunError& e) {
        ++faults;
        EXPECT_EQ(e.status(), 2);
        EXPECT_GE(e.where().first_col, 1);
        EXPECT_GE(e.where().last_col, e.where().first_col);
      }
    }
  }
  EXPECT_GT(ok, 1000);
  EXPECT_GT(faults, 1000);
}

TEST(Fuzz, ReaderFromFilesWithSlashesAndEndOfFile) {
  std::mt19937 rng(99);
  testsupport::ScratchDir dir;
  for (int round = 0; round < 150; ++round) {
    std::string content;
    int lines = static_cast<int>(rng() % 40);
    for (int k = 0; k < lines; ++k) {  // random bytes may hold LF too
      content += random_record(rng);
      content += (rng() % 3 == 0) ? "\r\n" : "\n";
    }
    if (rng() % 2) content += random_record(rng);  // a last record without LF
    dir.write("in.txt", content);
    // Records in the file: one per LF, plus a last one without LF.
    long records_in_file = static_cast<long>(std::count(content.begin(), content.end(), '\n'));
    if (!content.empty() && content.back() != '\n') ++records_in_file;
    auto in = records::InputFile::open(dir.path(), "in.txt");
    for (int stmt = 0; stmt < 60; ++stmt) {
      RandomLayout l = random_layout(rng, true);
      records::Layout layout(l.source);
      Targets t(l, rng);
      try {
        if (!in.read_or_eof(layout, std::span<const records::Dest>(t.dests))) {
          in.rewind();
          EXPECT_EQ(in.line(), 0);
        }
      } catch (const records::RunError& e) {
        EXPECT_EQ(e.status(), 2);
        EXPECT_EQ(e.where().file, "in.txt");
        EXPECT_GE(e.where().line, 1);
      }
      EXPECT_LE(in.line(), records_in_file);
    }
  }
}

TEST(Fuzz, ListInputFromRandomLines) {
  std::mt19937 rng(7);
  for (int round = 0; round < 3000; ++round) {
    std::string input;
    int lines = static_cast<int>(rng() % 5);
    for (int k = 0; k < lines; ++k) input += random_record(rng) + "\n";
    std::istringstream in(input);
    records::ConsoleIn con(in);
    RandomLayout l = random_layout(rng, false);
    Targets t(l, rng);
    std::vector<std::size_t> lengths;
    for (const std::string& text : t.texts) lengths.push_back(text.size());
    for (int stmt = 0; stmt < 4; ++stmt) {
      try {
        switch (t.dests.size()) {
          case 0:
            records::read_list(con, {});
            break;
          case 1:
            records::read_list(con, {t.dests[0]});
            break;
          case 2:
            records::read_list(con, {t.dests[0], t.dests[1]});
            break;
          default:
            records::read_list(con, {t.dests[0], t.dests[1], t.dests[2]});
            break;
        }
      } catch (const records::RunError& e) {
        EXPECT_EQ(e.status(), 2);
      }
    }
    for (std::size_t k = 0; k < t.texts.size(); ++k) EXPECT_EQ(t.texts[k].size(), lengths[k]);
  }
}

TEST(Fuzz, LayoutParserRejectsOrAccepts) {
  std::mt19937 rng(3);
  static const char alphabet[] = "()(),,,'\"/123456789 0ixfeEgGaAtTpPxX.-+:qh";
  int parsed = 0;
  for (int round = 0; round < 100000; ++round) {
    std::string src = "(";
    int n = static_cast<int>(rng() % 16);
    for (int k = 0; k < n; ++k) src += alphabet[rng() % (sizeof alphabet - 1)];
    if (rng() % 4) src += ')';
    try {
      records::Layout l(src);
      ++parsed;
      EXPECT_LE(l.steps().size(), 1'000'000u);
    } catch (const std::invalid_argument&) {
    }
  }
  EXPECT_GT(parsed, 100);
}

TEST(Fuzz, WriterWithRandomValues) {
  std::mt19937 rng(11);
  std::string out;
  for (int round = 0; round < 20000; ++round) {
    RandomLayout l = random_layout(rng, true);
    if (l.source.find('g') != std::string::npos) continue;  // input only
    records::Layout layout(l.source);
    std::vector<std::string> texts;
    texts.reserve(l.kinds.size());
    std::vector<records::Item> items;
    for (char kind : l.kinds) {
      std::uint32_t b = rng();
      float f;
      std::memcpy(&f, &b, sizeof f);
      if (kind == 'i') items.emplace_back(static_cast<int>(b));
      if (kind == 'r') items.emplace_back(f);  // NaN and infinity included
      if (kind == 'a') {
        texts.push_back(random_record(rng));
        items.emplace_back(std::string_view(texts.back()));
      }
    }
    records::format(layout, items, out);
    // Numbers only ever give digits, signs, points, exponents, blanks or asterisks.
    if (texts.empty()) {
      EXPECT_EQ(out.find_first_not_of("0123456789+-.E *\nInfityaN"), std::string::npos) << out;
    }
  }
}

}  // namespace
