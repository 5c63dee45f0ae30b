// Run-ending failures: the console line leaves out what is not known; the statuses.
#include <gtest/gtest.h>

#include <cerrno>

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
      // A name stays on the one line: control characters are escaped.
      {{"a\nb\r\t\x01.txt", 3, 0, 0, ""}, "tlvanalysis: a\\nb\\r\\t\\x01.txt line 3: Bad"},
  };
  for (const Row& r : rows) EXPECT_EQ(RunError(2, "Bad", r.where).message("tlvanalysis"), r.text);
  RunError os = records::os_error("x.txt", ENOENT);
  EXPECT_EQ(os.status(), 1);
  EXPECT_EQ(os.message("p"), "p: x.txt: Operating system error: No such file or directory");
  RunError eof = records::end_of_file("x.txt", 12);
  EXPECT_EQ(eof.status(), 2);
  EXPECT_EQ(eof.message("p"), "p: x.txt line 12: End of file");
}

}  // namespace
