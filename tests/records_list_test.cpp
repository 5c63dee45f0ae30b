// List-form input: separators, values over several lines, texts, quoted texts,
// the end of the statement and its failures.
#include <gtest/gtest.h>

#include <sstream>

#include "records/records.h"
#include "support/scratch.h"

namespace {

using records::ConsoleIn;
using records::read_list;

TEST(ReadList, ValuesOverSeveralLinesRestOfLastLineDropped) {
  std::istringstream in("   \n 12, 3.5\n\n  -7 , 'it''s a' 1e2 extra\nnext 5\n");
  ConsoleIn con(in);
  int a = 0, c = 0;
  float b = 0;
  std::string t(6, '#');
  float d = 0;
  read_list(con, {&a, &b, &c, records::text(t), &d});
  EXPECT_EQ(a, 12);
  EXPECT_EQ(b, 3.5f);
  EXPECT_EQ(c, -7);
  EXPECT_EQ(t, "it's a");
  EXPECT_EQ(d, 100.0f);
  std::string u(8, '#');
  read_list(con, {records::text(u)});
  EXPECT_EQ(u, "next    ");
}

TEST(ReadList, TextTokensAndQuotes) {
  std::istringstream in("  dates.txt rest\n\"my file.txt\"\nabc/def\n  a,b\n" +
                        std::string(40, 'z') + "\n");
  ConsoleIn con(in);
  std::string reply(30, ' ');
  read_list(con, {records::text(reply)});
  EXPECT_EQ(reply, "dates.txt" + std::string(21, ' '));
  read_list(con, {records::text(reply)});
  EXPECT_EQ(reply, "my file.txt" + std::string(19, ' '));
  read_list(con, {records::text(reply)});
  EXPECT_EQ(reply, "abc" + std::string(27, ' '));
  read_list(con, {records::text(reply)});
  EXPECT_EQ(reply, "a" + std::string(29, ' '));
  read_list(con, {records::text(reply)});
  EXPECT_EQ(reply, std::string(30, 'z'));
}

TEST(ReadList, SlashAndEmptyValuesLeaveDestinations) {
  std::istringstream in("1,,3\n4 / 5 6\n");
  ConsoleIn con(in);
  int a = -1, b = -1, c = -1;
  read_list(con, {&a, &b, &c});
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, -1);
  EXPECT_EQ(c, 3);
  read_list(con, {&a, &b, &c});
  EXPECT_EQ(a, 4);
  EXPECT_EQ(b, -1);
}

TEST(ReadList, NoDestinationsConsumesOneLine) {
  std::istringstream in("skip me\n 5\n");
  ConsoleIn con(in);
  read_list(con, {});
  int a = 0;
  read_list(con, {&a});
  EXPECT_EQ(a, 5);
}

TEST(ReadList, EndOfInputIsEndOfFileNotALoop) {
  std::istringstream in("   \n\n");
  ConsoleIn con(in);
  std::string reply(30, ' ');
  try {
    read_list(con, {records::text(reply)});
    ADD_FAILURE();
  } catch (const records::RunError& e) {
    EXPECT_EQ(e.status(), 2);
    EXPECT_EQ(e.reason(), records::kEndOfFile);
    EXPECT_EQ(e.message("tessiclip"), "tessiclip: standard input line 2: End of file");
  }
  EXPECT_THROW(read_list(con, {}), records::RunError);
}

TEST(ReadList, BadValuesNameTheColumns) {
  std::istringstream in(" 12 1.5\n 3 abc\n 99999999999\n");
  ConsoleIn con(in);
  int a = 0, b = 0;
  float f = 0;
  try {
    read_list(con, {&a, &b}, {"NUM", "NPOS"});
    ADD_FAILURE();
  } catch (const records::RunError& e) {
    EXPECT_EQ(e.message("p"),
              "p: standard input line 1, columns 5-7 (NPOS): Bad value during integer read");
  }
  try {
    read_list(con, {&a, &f});
    ADD_FAILURE();
  } catch (const records::RunError& e) {
    EXPECT_EQ(e.message("p"),
              "p: standard input line 2, columns 4-6: Bad value during floating point read");
  }
  try {
    read_list(con, {&a});
    ADD_FAILURE();
  } catch (const records::RunError& e) {
    EXPECT_EQ(e.reason(), records::kIntegerOverflow);
  }
}

TEST(ReadList, FromAFile) {
  testsupport::ScratchDir dir;
  dir.write("hbarcs.txt", "Holmby arcs\r\n\r\n 1 '810703' \"1400\" 0.0 9\r\n 4,2, 1.5 ,-2.0e1\r\n");
  records::InputFile f = records::InputFile::open(dir.path(), "hbarcs.txt");
  std::string head(4, ' '), date(6, ' '), time(4, ' ');
  int n = 0, k = 0, m = 0;
  float x = 0, y = 0, z = 0;
  read_list(f, {records::text(head)});
  EXPECT_EQ(head, "Holm");
  read_list(f, {&n, records::text(date), records::text(time), &x});
  EXPECT_EQ(n, 1);
  EXPECT_EQ(date, "810703");
  EXPECT_EQ(time, "1400");
  EXPECT_EQ(f.line(), 3);
  read_list(f, {&k, &m, &y, &z});
  EXPECT_EQ(k + m, 6);
  EXPECT_EQ(y, 1.5f);
  EXPECT_EQ(z, -20.0f);
  try {
    read_list(f, {&n});
    ADD_FAILURE();
  } catch (const records::RunError& e) {
    EXPECT_EQ(e.message("hlbanalysis"), "hlbanalysis: hbarcs.txt line 4: End of file");
  }
}

}  // namespace
