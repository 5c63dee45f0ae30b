// The picture geometry checker on hand-written pictures: one that keeps every rule,
// then one that breaks each rule (or keeps it at the edge).
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "support/svg_geometry.h"

namespace {

using testsupport::svg_geometry_problems;

// A 1000 px wide picture (least font 14.6 px) with a plot framed at 100..500 x 100..400.
std::string picture(std::string_view body,
                    std::string_view root_attrs = "role=\"img\" aria-labelledby=\"t d\"") {
  return "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1000\" "
         "viewBox=\"0 0 1000 600\" " +
         std::string(root_attrs) +
         ">\n<title id=\"t\">A picture</title><desc id=\"d\">Two &amp; more</desc>\n"
         "<!-- a comment <text> -->\n" +
         std::string(body) + "\n</svg>\n";
}

std::string plot(std::string_view inside) {
  return "<g class=\"plot\"><rect class=\"frame\" x=\"100\" y=\"100\" width=\"400\" "
         "height=\"300\"/>" +
         std::string(inside) + "</g>";
}

TEST(EvaluateSvgGeometry, FindsEveryBrokenRule) {
  const struct {
    std::string_view name;
    std::string svg;
    std::vector<std::string> rules;  // the problems found, in order
  } cases[] = {
      {"keeps every rule",
       picture("<g font-size=\"15\" text-anchor=\"middle\">"
               "<text x=\"300\" y=\"50\">A title that is long</text>"
               // 10 characters, 90 px wide: 300..390 at start, touching 390..480 at start.
               "<text x=\"300\" y=\"450\" text-anchor=\"start\">0123456789</text>"
               "<text x=\"390\" y=\"450\" text-anchor=\"start\">0123456789</text>"
               // Lines 15 px apart at 15 px: 12 px above, 3 px below the baseline.
               "<text x=\"700\" y=\"100\">a</text><text x=\"700\" y=\"115\">a</text>"
               // Rotated text may cross other text.
               "<text x=\"300\" y=\"50\" transform=\"rotate(-90 300 50)\">turned</text>"
               "<g transform=\"rotate(90)\"><text x=\"300\" y=\"450\">turned</text></g></g>" +
               plot("<line x1=\"100\" y1=\"100\" x2=\"500.4\" y2=\"400\"/>"
                    "<circle cx=\"110\" cy=\"110\" r=\"10\"/>"
                    "<polygon points=\"100,100 500,400 300 200\"/>"
                    "<path d=\"M110,110l10,10h380v-20V390L480 150C490,110 490,110 480,110"
                    "A5 5 0 0 1 490 120Z\"/>"
                    "<text x=\"300\" y=\"300\" font-size=\"17\" "
                    "text-anchor=\"middle\">x&#215;10<tspan font-size=\"15\">&#8722;3</tspan>"
                    "</text><text x=\"332\" y=\"300\" font-size=\"17\">y</text>"
                    "<clipPath id=\"c\"><rect x=\"100\" y=\"100\" width=\"400\" height=\"300\"/>"
                    "</clipPath><g clip-path=\"url(#c)\"><line x1=\"0\" y1=\"0\" x2=\"900\" "
                    "y2=\"900\"/></g>")),
       {}},
      {"overlapping text",
       picture("<text x=\"300\" y=\"450\" font-size=\"15\">0123456789</text>"
               "<text x=\"389\" y=\"450\" font-size=\"15\">A</text>"
               "<text x=\"500\" y=\"450\" font-size=\"15\">B</text>"
               "<text x=\"501\" y=\"464\" font-size=\"15\" text-anchor=\"end\">ending</text>"),
       {"overlap", "overlap"}},
      {"inherited size, anchor and entities make the boxes",
       picture("<g font-size=\"20\" text-anchor=\"middle\"><text x=\"300\" y=\"450\">&#8722;1&amp;"
               "</text><text x=\"322\" y=\"440\">b</text></g>"),
       {"overlap"}},
      {"elements beyond the frame",
       picture(plot("<line x1=\"100\" y1=\"100\" x2=\"501\" y2=\"400\"/>"
                    "<rect x=\"90\" y=\"100\" width=\"20\" height=\"20\"/>"
                    "<circle cx=\"495\" cy=\"200\" r=\"6\"/>"
                    "<polyline points=\"100,100 300,401\"/>"
                    "<path d=\"M490,200l20,0\"/>"
                    "<path d=\"M490,200C490,200 490,90 490,200\"/>"
                    "<g><text x=\"490\" y=\"200\" font-size=\"15\">far</text></g>")),
       {"frame", "frame", "frame", "frame", "frame", "frame", "frame"}},
      {"a clip beyond the frame does not excuse what it clips",
       picture(plot("<clipPath id=\"c\"><rect x=\"0\" y=\"0\" width=\"600\" height=\"600\"/>"
                    "</clipPath><g clip-path=\"url(#c)\"><line x1=\"0\" y1=\"0\" x2=\"9\" "
                    "y2=\"9\"/></g>")),
       {"frame"}},
      {"a plot without its frame",
       picture("<g class=\"plot\"><line x1=\"0\" y1=\"0\" x2=\"9\" y2=\"9\"/></g>"),
       {"frame"}},
      {"small fonts, a tspan's own size included",
       picture("<text x=\"10\" y=\"20\" font-size=\"14.5\">small</text>"
               "<g font-size=\"20\"><text x=\"10\" y=\"300\">10<tspan font-size=\"10\">4</tspan>"
               "</text></g><text x=\"10\" y=\"500\" style=\"font-size: 12px\">styled</text>"),
       {"font", "font", "font"}},
      {"no role, no labels", picture("", "aria-labelledby=\" \""), {"accessible", "accessible"}},
      {"no title or description",
       "<svg viewBox=\"0 0 10 10\" role=\"img\" aria-labelledby=\"x\"><g><title>in a "
       "group</title></g><desc> </desc></svg>",
       {"accessible", "accessible"}},
      {"ids given twice",
       picture("<g id=\"a\"/><g id=\"t\"/><g id=\"a\"/><g id=\"a\"/>"),
       {"id", "id"}},
  };
  for (const auto& c : cases) {
    const auto problems = svg_geometry_problems(c.svg);
    std::vector<std::string> rules;
    for (const auto& p : problems) rules.push_back(p.rule);
    EXPECT_EQ(c.rules, rules) << c.name << "\n" << testsupport::describe(problems);
  }
}

TEST(EvaluateSvgGeometry, PagesInlineSvgsAndIds) {
  const std::string page =
      "<html><body><p id=\"a\">x</p><svg id=\"s1\" aria-labelledby=\"s1-t\"><title "
      "id=\"s1-t\">one</title></svg><figure id=\"f\"><svg aria-labelledby=\"gone a\"><g "
      "id=\"a\"/></svg></figure><br><img id=\"f\"></body></html>";
  const auto svgs = testsupport::inline_svgs(page);
  ASSERT_EQ(2u, svgs.size());
  EXPECT_TRUE(svgs[1].starts_with("<svg aria") && svgs[1].ends_with("<g id=\"a\"/></svg>"))
      << svgs[1];
  EXPECT_EQ((std::vector<std::string>{"a", "f"}), testsupport::repeated_ids(page));
  EXPECT_EQ((std::vector<std::string>{"gone"}), testsupport::missing_label_ids(page));
}

}  // namespace
