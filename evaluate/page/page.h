// The evaluation page "<stem>-Evaluation.html": one self-contained HTML document
// (inline styles and SVG, no script, no external resource) that reads as a report:
// a summary (the judged measures over all lines and the main diagram), the inputs
// and counts, the acceptance table per model and group, the differences between the
// models with their significance, the high end and the later sections, each diagram
// after the tables it illustrates, and the definitions of every measure and mark.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "evaluate/tables/tidy.h"

namespace evaluate {

// A picture on the page: inlined once, as a numbered figure with its caption, after
// the tables of the section `after` ("acceptance", "means", ...) or, when that
// section is not on the page, in a last section of diagrams. The main diagram is
// inlined in the summary instead, and its section refers to it.
struct PageDiagram {
  std::string caption;  // what is plotted, plain text
  std::string svg;      // the SVG text, its XML declaration allowed
  std::string after = {};
  bool main = false;
};

// The arc and label groups of one quantity when they are more than the page names
// one by one: each by its heading in the tables ("arc 0.50 km", or the label), those
// named in the order shown, and the rest, which every table summarises by quantiles
// over the groups.
struct PageGroups {
  std::string quantity;
  std::string ranked_by;  // "MQI" or "|FB|"
  std::vector<std::string> shown;
  std::vector<std::string> rest;
};

struct PageInput {
  std::string title;  // e.g. "Model evaluation: TLV-Combined-NoFill-Results.txt"
  std::vector<std::pair<std::string, std::string>> facts;  // inputs and counts: (name, value)
  std::vector<std::string> remarks;                        // e.g. an incomplete table's warning
  std::string criteria;                                    // "rural" or "urban"
  // The measures the criteria judge, each with its criterion ("FB", "|FB| <= 0.3").
  std::vector<std::pair<std::string, std::string>> judged;
  std::vector<TidyRow> rows;  // every statistic, as in the tidy file
  // The texts the rows view, shared by the copies of the input.
  std::shared_ptr<TidyTexts> texts = std::make_shared<TidyTexts>();
  // The units of each quantity as the column heads give them: (quantity, units); a
  // quantity not named is in "units of the input".
  std::vector<std::pair<std::string, std::string>> units;
  std::vector<PageDiagram> diagrams;
  std::vector<PageGroups> groups = {};  // only the quantities with too many groups to name
};

// The whole page, UTF-8. Every text of `input` is escaped; the SVG texts are inlined
// as they stand once an XML declaration or document type before the <svg> is cut.
// Rows are shown in the order given, each table per quantity in order of first appearance;
// of a quantity in `groups`, the groups named in that order (between all and the
// stability groups), the rest summarised under each table: per model (or pair) and
// measure, the number of groups with a value and the quantiles 0, 5, 25, 50, 75, 95
// and 100% of those values (page_quantile).
std::string evaluation_page(const PageInput& input);

// The quantile p (0 to 1) of ascending values: with h = (n - 1) p, linear interpolation
// between the order statistics floor(h) and floor(h) + 1 (counted from 0); an infinite
// neighbour gives itself. NaN for no values.
double page_quantile(const std::vector<double>& ascending, double p);

// `text` with &, <, >, " and ' written as character references, fit for element
// content and quoted attribute values.
std::string html_escape(std::string_view text);

// A finite value with 3 significant figures: plain decimals while the rounded value
// lies from 0.001 to 999 ("0.00123", "1.20", "999"), otherwise "1.23×10⁵" and
// "4.00×10⁻⁴"; a minus sign as U+2212; zero as "0".
// Not for NaN or infinities (the page shows those itself).
std::string page_number(double value);
// The same, always in the form "1.23×10⁵" with `scientific` (zero as "0.00×10⁰"):
// the form of a table column in which any value needs it.
std::string page_number(double value, bool scientific);

}  // namespace evaluate
