// What names a run on its page: the SHA-256 of its input (FIPS 180-4 test vectors),
// the time of the run (SOURCE_DATE_EPOCH), the command line as a shell reads it, and
// the page of a whole run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "evaluate/page/provenance.h"
#include "evaluate/page/sha256.h"
#include "evaluate/tlvstats.h"
#include "support/run.h"
#include "support/scratch.h"

namespace {

TEST(EvaluateProvenance, Sha256OfTheStandardMessages) {
  EXPECT_EQ("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855",
            evaluate::sha256_hex(""));
  EXPECT_EQ("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
            evaluate::sha256_hex("abc"));
  EXPECT_EQ("248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1",
            evaluate::sha256_hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"));
  // A million "a", added in pieces that do not fall on the 64-byte blocks.
  evaluate::Sha256 digest;
  for (int i = 0; i < 1000; ++i) digest.add(std::string(1000, 'a'));
  EXPECT_EQ("cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0", digest.hex());
}

TEST(EvaluateProvenance, TimeAndCommandLine) {
  EXPECT_EQ("1970-01-01 00:00:00 UTC", evaluate::utc_text(0));
  EXPECT_EQ("2023-11-14 22:13:20 UTC", evaluate::utc_text(1700000000));
  const std::vector<std::string> args{"--pairs", "my pairs.csv", "--threshold",
                                      "CY/Q=30", "it's",         ""};
  EXPECT_EQ("tlvstats --pairs 'my pairs.csv' --threshold CY/Q=30 'it'\\''s' ''",
            evaluate::command_line("tlvstats", args));
}

TEST(EvaluateProvenance, ThePageNamesItsRun) {
  testsupport::ScratchDir dir;
  // 57 bytes; its SHA-256 as sha256sum gives it.
  dir.write("p.csv", "group,quantity,observed,A\r\n1,CY,1,2\r\n1,CY,2,2\r\n1,CY,3,4\r\n");
  ::setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
  const auto r =
      testsupport::run_program(run_tlvstats, dir.path(), {"--pairs", "p.csv", "--resamples", "20"});
  ::unsetenv("SOURCE_DATE_EPOCH");
  ASSERT_EQ(0, r.status) << r.err;
  const std::string page = dir.read("p-Evaluation.html");
  const auto version = testsupport::run_program(run_tlvstats, dir.path(), {"--version"});
  ASSERT_EQ(0, version.status);
  for (const std::string& want :
       {"<th scope=\"row\">Program</th><td>" + version.out.substr(0, version.out.size() - 1),
        std::string("<th scope=\"row\">Run at</th><td>2023-11-14 22:13:20 UTC</td>"),
        std::string("<th scope=\"row\">Command line</th><td>tlvstats --pairs p.csv --resamples "
                    "20</td>"),
        std::string("<th scope=\"row\">Input file</th><td>p.csv: 57 bytes, SHA-256 "
                    "89969d73fdc596c88901a6f9cb6725628f1b0fca6b0507212e8c14f7384c6428</td>")}) {
    EXPECT_NE(std::string::npos, page.find(want)) << want;
  }
}

}  // namespace
