// The statistics in tidy form: one row per model (or model pair "A-B"), quantity,
// group and measure, as written to "<stem>-Model-Statistics.csv" and shown on the
// evaluation page. Values are the double results; NaN where a value is not formed.
#pragma once

#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace evaluate {

// Header of the tidy file, in column order.
inline constexpr std::string_view kTidyHeader =
    "model,quantity,group,arc_km,measure,value,lower,upper,mark,lines,obs_out,mod_unr,mod_neg,n,"
    "n_pos,n_both,boot";

// A count of a tidy row, or none where it does not belong to the row's kind: held in
// 8 bytes (std::optional<long> takes 16), the least long marking none, since no count
// is negative.
class TidyCount {
 public:
  constexpr TidyCount() = default;
  // Not explicit: a count is set as a number, or as std::nullopt.
  constexpr TidyCount(long n) : n_(n) {}
  constexpr TidyCount(std::nullopt_t) {}
  constexpr explicit operator bool() const { return n_ != kNone; }
  constexpr bool has_value() const { return n_ != kNone; }
  constexpr long operator*() const { return n_; }
  constexpr void reset() { n_ = kNone; }
  constexpr std::optional<long> optional() const {
    return has_value() ? std::optional<long>(n_) : std::nullopt;
  }

 private:
  static constexpr long kNone = std::numeric_limits<long>::min();
  long n_ = kNone;
};

// The texts of tidy rows, each kept once, for as long as the rows that view them.
class TidyTexts {
 public:
  std::string_view keep(std::string_view text) {
    auto at = texts_.find(text);
    if (at == texts_.end()) at = texts_.emplace(text).first;
    return *at;
  }

 private:
  std::set<std::string, std::less<>> texts_;
};

// The texts are views: of a TidyTexts, or of texts that last, such as the measures'
// names.
struct TidyRow {
  std::string_view model;     // "AERMOD", or "AERMOD-ISCST3" on a difference row
  std::string_view quantity;  // "CY/Q", or a pairs file's quantity
  std::string_view group;     // "all", "arc", "stable", "unstable", or a pairs file's label
  double arc_km = NAN;        // arc groups only
  std::string_view measure;   // "MeanO" ... "RHCp/RHCo", or "dFB" ... "dlnRHC"
  double value = NAN;
  double lower = NAN;  // 95% bootstrap limits
  double upper = NAN;
  char mark = '\0';  // 'Y', 'N', '-' (not formed or no limits), '.' (not judged); '\0' none
  // Counts; none where they do not belong to the row's kind.
  TidyCount lines, obs_out, mod_unr, mod_neg, n, n_pos, n_both;
  TidyCount boot;  // resamples with pairs
};

// The whole tidy file: header and rows, RFC 4180 (CR LF line ends, fields quoted
// where they hold a comma, quote or line end), numbers in the shortest decimal form
// that reads back to the same double, an empty field where a value is NaN or beyond
// the float range (where the table writes -99.0 or asterisks).
std::string tidy_csv(std::span<const TidyRow> rows);
// One row of it as a record, without its line end: so that a large file can be
// written row by row.
std::string tidy_line(const TidyRow& row);

struct Evaluation;

// Every statistic of an evaluation, in the order of the statistics table: per
// quantity, group and model the measures without limits (MeanO, MeanP, SdO, SdP, R;
// no mark), then those with limits and a mark (FB, MG, NMSE, VG, FAC2, NAD, RHCo,
// RHCp, RHCp/RHCo); then per quantity, group and pair of models the differences
// (dFB, dlnMG, dNMSE, dlnVG, dFAC2, dNAD, dlnRHC). Their texts are kept in `texts`.
std::vector<TidyRow> tidy_rows(const Evaluation& ev, TidyTexts& texts);
// The same rows in the same order, each passed to `to` as it is formed, none held
// (their texts last as long as the call).
void for_each_tidy_row(const Evaluation& ev, const std::function<void(const TidyRow&)>& to);

}  // namespace evaluate
