// Layout strings: repeat counts, groups, quoted texts, case, scale factors and the
// faults of a malformed layout.
#include <gtest/gtest.h>

#include "records/detail/engine.h"
#include "records/records.h"

namespace {

using records::Layout;

// The steps of a layout, as the record layer names them in its messages.
std::string shape(const Layout& l) {
  std::string s;
  for (const records::Step& st : l.steps()) {
    if (!s.empty()) s += ',';
    s += records::detail::describe(st);
  }
  return s;
}

TEST(Layout, Expansion) {
  struct Row {
    const char* src;
    const char* steps;
    int data;
  } rows[] = {
      {"(3x,i5)", "3x,i5", 1},
      {"(5i2.2)", "i2.2,i2.2,i2.2,i2.2,i2.2", 5},
      {"(4(f10.2,3x))", "f10.2,3x,f10.2,3x,f10.2,3x,f10.2,3x", 4},
      {"(5(3x,1pe12.4),2x,0pf12.3)",
       "3x,1p,e12.4,3x,1p,e12.4,3x,1p,e12.4,3x,1p,e12.4,3x,1p,e12.4,2x,0p,f12.3", 6},
      {"(2(i1,2(a2)))", "i1,a2,a2,i1,a2,a2", 6},
      {"(3F12.3)", "f12.3,f12.3,f12.3", 3},
      {"( T5 , F8.2 ,A ,G10.3)", "t5,f8.2,a,g10.3", 3},
      {"('a''b',\"c\"\"d\",'x, y')", "'a'b','c\"d','x, y'", 0},
      {"(i2/i3//)", "i2,/,i3,/,/", 2},
      {"(i2,2/,i3)", "i2,/,/,i3", 2},
      {"(x,1x,tr2)", "1x,1x,2x", 0},
      {"()", "", 0},
      {"(1pe12.4,0p,f5.1)", "1p,e12.4,0p,f5.1", 2},
  };
  for (const Row& r : rows) {
    Layout l(r.src);
    EXPECT_EQ(shape(l), r.steps) << r.src;
    EXPECT_EQ(l.data_count(), r.data) << r.src;
    EXPECT_EQ(l.source(), r.src);
  }
}

TEST(Layout, MalformedLayoutsAreRejected) {
  const char* bad[] = {"",
                       "i5",
                       "(i5",
                       "(i5))",
                       "(i)",
                       "(f5)",
                       "(q5)",
                       "(i5,)",
                       "(,i5)",
                       "(i5 i6)",
                       "('abc)",
                       "(0i5)",
                       "(2p,f5.1)",
                       "(t0)",
                       "(3t5)",
                       "(f5.6)",
                       "((i2)",
                       "(a0)",
                       "(i2.3)",
                       "(1000000000000i1)",
                       "(100000(100000i1))",
                       "(i5)x"};
  for (const char* src : bad) EXPECT_THROW(Layout{src}, std::invalid_argument) << src;
}

}  // namespace
