// The evaluation page "<stem>-Evaluation.html": one self-contained HTML document
// (inline styles and SVG, no script, no external resource) with the inputs and
// counts, the acceptance table per model and group, the differences between the
// models with their significance, the high end, and every diagram.
#pragma once

#include <span>
#include <string>
#include <utility>
#include <vector>

#include "evaluate/tidy.h"

namespace evaluate {

struct PageInput {
  std::string title;                                        // e.g. "Model evaluation: TLV-Combined-NoFill-Results.txt"
  std::vector<std::pair<std::string, std::string>> facts;   // inputs and counts: (name, value)
  std::vector<std::string> remarks;                         // e.g. an incomplete table's warning
  std::string criteria;                                     // "rural" or "urban"
  std::vector<std::string> judged;                          // measures judged by the criteria
  std::vector<TidyRow> rows;                                // every statistic, as in the tidy file
  std::vector<std::pair<std::string, std::string>> diagrams;  // (caption, SVG text without XML declaration)
};

std::string evaluation_page(const PageInput& input);

}  // namespace evaluate
