// The evaluation page "<stem>-Evaluation.html": one self-contained HTML document
// (inline styles and SVG, no script, no external resource) with the inputs and
// counts, the acceptance table per model and group, the differences between the
// models with their significance, the high end, and every diagram.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "evaluate/tables/tidy.h"

namespace evaluate {

struct PageInput {
  std::string title;  // e.g. "Model evaluation: TLV-Combined-NoFill-Results.txt"
  std::vector<std::pair<std::string, std::string>> facts;  // inputs and counts: (name, value)
  std::vector<std::string> remarks;                        // e.g. an incomplete table's warning
  std::string criteria;                                    // "rural" or "urban"
  // The measures the criteria judge, each with its criterion ("FB", "|FB| <= 0.3").
  std::vector<std::pair<std::string, std::string>> judged;
  std::vector<TidyRow> rows;  // every statistic, as in the tidy file
  std::vector<std::pair<std::string, std::string>>
      diagrams;  // (caption, SVG text without XML declaration)
};

// The whole page, UTF-8. Every text of `input` is escaped; the SVG texts are inlined
// as they stand once an XML declaration or document type before the <svg> is cut.
// Rows are shown in the order given, each table per quantity in order of first appearance.
std::string evaluation_page(const PageInput& input);

// `text` with &, <, >, " and ' written as character references, fit for element
// content and quoted attribute values.
std::string html_escape(std::string_view text);

// A finite value with 3 significant figures: plain decimals while the rounded value
// lies from 0.001 to 999 ("0.00123", "1.20", "999"), otherwise "1.23×10⁵" and
// "4.00×10⁻⁴"; a minus sign as U+2212; zero as "0".
// Not for NaN or infinities (the page shows those itself).
std::string page_number(double value);

}  // namespace evaluate
