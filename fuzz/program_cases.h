// Fuzz cases of the four programs: each writes the fuzz input as the program's
// input files (cut as harness.h describes) into the scratch folder, runs the
// program in-process and checks the outcome. Each returns a description of what
// is wrong, or an empty text.
//
// Input files, in the order of the pieces:
//   tlvanalysis    tolvernsf6-max11052011.txt, TolvernSF611052011.txt
//   hlbanalysis    hbarcs.txt (the whole input)
//   tessiclip      dates.txt, surface.txt, profile.txt; the console replies name
//                  these three files, one per line, and nothing follows them
//   TLVCombineAll  TolvernOBSAnalysisNoFill.txt, TLV-iscst3-Results.txt,
//                  Tlvcutsurf-all.txt, TLV-AERMOD-Results.txt
#pragma once

#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "combine/combine.h"
#include "fuzz/harness.h"
#include "hlbanalysis/hlbanalysis.h"
#include "tessiclip/tessiclip.h"
#include "tlvanalysis/observation_reader.h"
#include "tlvanalysis/qc_table.h"
#include "tlvanalysis/report.h"
#include "tlvanalysis/tlvanalysis.h"

namespace fuzzing {

inline bool starts_with(std::string_view text, std::string_view head) {
  return text.substr(0, head.size()) == head;
}

// ---------------------------------------------------------------------------
// tlvanalysis

inline constexpr std::string_view kTlvQc = tlvanalysis::kQcFileName;
inline constexpr std::string_view kTlvObservations = tlvanalysis::kObservationFileName;
inline constexpr std::string_view kTlvReport = tlvanalysis::kReportFileName;
inline constexpr std::string_view kTlvEmissions = tlvanalysis::kEmissionsFileName;

// Report: the two header lines (175 and 178 columns), then data lines of 177
// columns and the two arc-size lines of an arc above 200 samplers. Emissions:
// records of 66 columns, never more than report data lines, at least one when
// there is a data line. A failed run leaves no output file.
inline std::string tlvanalysis_case(std::string_view data) {
  const Scratch& scratch = process_scratch();
  lay_out_inputs(scratch, {kTlvQc, kTlvObservations}, split_files(data, 2));
  const RunResult r = run_program(run_tlvanalysis, scratch.path());
  std::string problem = check_status(r, "tlvanalysis", {kTlvQc, kTlvObservations});
  if (problem.empty()) problem = leftover_problem(scratch, r.status, {kTlvQc, kTlvObservations});
  if (!problem.empty() || r.status != 0) return problem;

  bool have_report = false, have_emissions = false;
  std::string report_text, emissions_text;
  std::vector<std::string_view> report, emissions;
  problem = output_records(scratch, kTlvReport, have_report, report_text, report);
  if (problem.empty())
    problem = output_records(scratch, kTlvEmissions, have_emissions, emissions_text, emissions);
  if (!problem.empty()) return problem;

  if (!have_report) return "no report";
  problem = header_problem("report", report, 175, 178);
  if (!problem.empty()) return problem;
  std::size_t lines = 0;
  for (std::size_t i = 2; i < report.size(); ++i) {
    if (report[i].size() == 177)
      ++lines;
    else if (!starts_with(report[i], " NUM  = :  ") && report[i] != " NMAX = :  200")
      return "report line " + std::to_string(i + 1) + " is not a data line: \"" +
             std::string(report[i]) + "\"";
  }
  if (!have_emissions && lines > 0) return "report lines but no emissions file";
  for (std::string_view e : emissions)
    if (e.size() != 66 || !starts_with(e, "SO HOUREMIS"))
      return "emission record \"" + std::string(e) + "\"";
  if (emissions.size() > lines) return "more emission records than report lines";
  if (lines > 0 && emissions.empty()) return "report lines but no emission record";
  return {};
}

// ---------------------------------------------------------------------------
// hlbanalysis

inline constexpr std::string_view kHlbArcs = "hbarcs.txt";
inline constexpr std::string_view kHlbReport = "HolmbyOBSAnalysis.txt";
inline constexpr std::string_view kHlbCountsFault = "invalid sampler counts";

// Report: the two header lines (136 and 138 columns), then data lines of 138
// columns and the arc-size lines. A normal end has exactly 340 data lines; a failed
// run (invalid counts among them) leaves no report.
inline std::string hlbanalysis_case(std::string_view data) {
  const Scratch& scratch = process_scratch();
  lay_out_inputs(scratch, {kHlbArcs}, split_files(data, 1));
  const RunResult r = run_program(run_hlbanalysis, scratch.path());
  std::string problem = check_status(r, "hlbanalysis", {kHlbArcs}, {kHlbCountsFault});
  if (problem.empty()) problem = leftover_problem(scratch, r.status, {kHlbArcs});
  if (!problem.empty() || r.status != 0) return problem;

  std::string text;
  std::vector<std::string_view> report;
  problem = required_records(scratch, kHlbReport, "no report", text, report);
  if (problem.empty()) problem = header_problem("report", report, 136, 138);
  if (!problem.empty()) return problem;
  const std::size_t end = report.size();
  std::size_t lines = 0;
  for (std::size_t i = 2; i < end; ++i) {
    if (report[i].size() == 138)
      ++lines;
    else if (!starts_with(report[i], " Subroutine ARC NUM  = :  ") &&
             report[i] != " Increase NMAX = :  200")
      return "report line " + std::to_string(i + 1) + " is not a data line: \"" +
             std::string(report[i]) + "\"";
  }
  if (lines > 340) return "more than 340 report lines";
  if (r.status == 0 && lines != 340) return "a normal end with " + std::to_string(lines) + " lines";
  return {};
}

// ---------------------------------------------------------------------------
// tessiclip

// Whether some record of `file` (LF-ended, a CR before LF dropped), cut or
// blank-padded to the length of `cut`, equals `cut`.
inline bool holds_record(std::string_view file, std::string_view cut) {
  if (file.starts_with(records::kByteOrderMark))  // skipped by the reader
    file.remove_prefix(records::kByteOrderMark.size());
  std::size_t from = 0;
  while (from <= file.size()) {
    std::size_t lf = file.find('\n', from);
    std::string_view rec = file.substr(from, lf == std::string_view::npos ? lf : lf - from);
    if (lf != std::string_view::npos && !rec.empty() && rec.back() == '\r') rec.remove_suffix(1);
    const std::string_view head = rec.substr(0, cut.size());
    if (cut.substr(0, head.size()) == head &&
        cut.find_first_not_of(' ', head.size()) == std::string_view::npos)
      return true;
    if (lf == std::string_view::npos) break;
    from = lf + 1;
  }
  return false;
}

// Whether a surface record and a profile record carry the same hour: year,
// month, day and hour read as integers ("(i2,2i3,4x,i3)" and "(i2,3i3)").
inline bool same_keys(std::string_view surface, std::string_view profile) {
  int s[4] = {}, p[4] = {};
  try {
    records::read_text(records::Layout("(i2,2i3,4x,i3)"), surface, {&s[0], &s[1], &s[2], &s[3]},
                       records::Origin{"cutsurf.txt", 1});
    records::read_text(records::Layout("(i2,3i3)"), profile, {&p[0], &p[1], &p[2], &p[3]},
                       records::Origin{"cutprof.txt", 1});
  } catch (const records::RunError&) {
    return false;
  }
  return s[0] == p[0] && s[1] == p[1] && s[2] == p[2] && s[3] == p[3];
}

inline constexpr std::string_view kCutDates = "dates.txt";
inline constexpr std::string_view kCutSurface = "surface.txt";
inline constexpr std::string_view kCutProfile = "profile.txt";
inline constexpr std::string_view kCutReplies = "dates.txt\nsurface.txt\nprofile.txt\n";

// cutsurf.txt: the 100-column header, then 165-column records; cutprof.txt:
// 165-column records, one per kept hour as in cutsurf.txt; cutiscst3.txt: a
// 45-column header and one 48-column record per kept hour; the summary: 43- or
// 48-column messages. A failed run leaves none of them. Kept hours and messages together are no
// more than the dates records.
inline std::string tessiclip_case(std::string_view data) {
  const Scratch& scratch = process_scratch();
  const auto pieces = split_files(data, 3);
  lay_out_inputs(scratch, {kCutDates, kCutSurface, kCutProfile}, pieces);
  RunResult r = run_program(run_tessiclip, scratch.path(), {}, kCutReplies);
  // A reply naming a missing file is reported on a line of its own before the
  // prompt comes again; the run's own outcome follows those lines.
  for (;;) {
    const std::size_t end = r.err.find('\n');
    if (end == std::string::npos || end + 1 == r.err.size()) break;
    const std::string_view line(r.err.data(), end);
    bool reported = false;
    for (std::string_view name : {kCutDates, kCutSurface, kCutProfile}) {
      reported = reported || line == "tessiclip: " + std::string(name) + ": " +
                                         std::string(records::kOsErrorPrefix) +
                                         std::strerror(ENOENT);
    }
    if (!reported) return "an error line before the end of the run: " + std::string(line);
    r.err.erase(0, end + 1);
  }
  std::string problem =
      check_status(r, "tessiclip", {kCutDates, kCutSurface, kCutProfile, "standard input"});
  if (problem.empty())
    problem = leftover_problem(scratch, r.status, {kCutDates, kCutSurface, kCutProfile});
  if (!problem.empty() || r.status != 0) return problem;

  bool have[4] = {};
  std::string text[4];
  std::vector<std::string_view> recs[4];
  const std::string_view names[4] = {"CutmetSummary.txt", "cutsurf.txt", "cutprof.txt",
                                     "cutiscst3.txt"};
  for (int k = 0; k < 4; ++k) {
    problem = output_records(scratch, names[k], have[k], text[k], recs[k]);
    if (!problem.empty()) return problem;
  }
  const auto& summary = recs[0];
  const auto& cutsurf = recs[1];
  const auto& cutprof = recs[2];
  const auto& cutiscst3 = recs[3];
  if (!have[0]) return "no summary file";
  if (cutsurf.empty() || !have[2] || !have[3])
    return "a normal end without the cut files or the surface header";
  for (std::size_t i = 0; i < cutsurf.size(); ++i)
    if (cutsurf[i].size() != (i == 0 ? 100u : 165u)) return "cutsurf.txt record of wrong length";
  for (std::string_view p : cutprof)
    if (p.size() != 165) return "cutprof.txt record of wrong length";
  for (std::size_t i = 0; i < cutiscst3.size(); ++i)
    if (cutiscst3[i].size() != (i == 0 ? 45u : 48u)) return "cutiscst3.txt record of wrong length";
  for (std::string_view m : summary) {
    const bool ok =
        (m.size() == 43 && (starts_with(m, " NoProf: ") || starts_with(m, " NoSurf: "))) ||
        (m.size() == 48 && starts_with(m, " NoOBK: "));
    if (!ok) return "summary message \"" + std::string(m) + "\"";
  }
  const std::size_t kept = cutsurf.empty() ? 0 : cutsurf.size() - 1;
  if (cutprof.size() != kept) return "cutsurf.txt and cutprof.txt hold different hours";
  const std::size_t hours = cutiscst3.empty() ? 0 : cutiscst3.size() - 1;
  if (kept > 0 && cutiscst3.empty()) return "kept hours without the ISCST3 header";
  if (hours != kept)
    return "cutiscst3.txt holds " + std::to_string(hours) + " hours, cutsurf.txt " +
           std::to_string(kept);
  const std::size_t dates = pieces.empty() ? 0 : count_records(pieces[0]);
  if (kept + summary.size() > dates) return "more hours written than dates records";
  // The cut copies are input records, cut or padded to 165 columns, and the
  // n-th hour of each cut file is the same hour.
  if (!cutsurf.empty() && (pieces.size() < 2 || !holds_record(pieces[1], cutsurf[0])))
    return "the cutsurf.txt header is not the surface header";
  for (std::size_t i = 0; i < kept; ++i) {
    const std::string_view s = cutsurf[i + 1], p = cutprof[i];
    if (pieces.size() < 3 || !holds_record(pieces[1], s) || !holds_record(pieces[2], p))
      return "a cut record that is no input record";
    if (!same_keys(s, p)) return "cutsurf.txt and cutprof.txt records of different hours";
  }
  return {};
}

// ---------------------------------------------------------------------------
// TLVCombineAll

inline constexpr std::string_view kCombObserved = "TolvernOBSAnalysisNoFill.txt";
inline constexpr std::string_view kCombIscst3 = "TLV-iscst3-Results.txt";
inline constexpr std::string_view kCombSurface = "Tlvcutsurf-all.txt";
inline constexpr std::string_view kCombAermod = "TLV-AERMOD-Results.txt";
inline constexpr std::string_view kCombTable = "TLV-Combined-NoFill-Results.txt";

// The count in a count line " <label> <count>", or -1 when it is not one.
inline long count_line(std::string_view line, std::string_view label) {
  const std::string head = " " + std::string(label) + " ";
  if (!starts_with(line, head) || line.size() == head.size() || line.size() > head.size() + 10)
    return -1;
  long n = 0;
  for (char c : line.substr(head.size())) {
    if (c < '0' || c > '9') return -1;
    n = n * 10 + (c - '0');
  }
  return n;
}

// Table: header lines of 336 and 334 columns, combined lines of 340 columns and,
// after a normal end, the three count lines, whose counts agree with the lines
// written and with the AERMOD records.
inline std::string combine_case(std::string_view data) {
  const Scratch& scratch = process_scratch();
  const auto pieces = split_files(data, 4);
  lay_out_inputs(scratch, {kCombObserved, kCombIscst3, kCombSurface, kCombAermod}, pieces);
  const RunResult r = run_program(run_combine, scratch.path());
  std::string problem =
      check_status(r, "TLVCombineAll", {kCombObserved, kCombIscst3, kCombSurface, kCombAermod});
  if (problem.empty())
    problem = leftover_problem(scratch, r.status,
                               {kCombObserved, kCombIscst3, kCombSurface, kCombAermod});
  if (!problem.empty() || r.status != 0) return problem;

  std::string text;
  std::vector<std::string_view> table;
  problem = required_records(scratch, kCombTable, "no combined table", text, table);
  if (problem.empty()) problem = header_problem("table", table, 336, 334);
  if (!problem.empty()) return problem;
  std::size_t end = table.size();
  long zero = 0, aerobs = 0, all_three = 0;
  if (r.status == 0) {
    if (end < 5) return "a normal end without the count lines";
    zero = count_line(table[end - 3], "    ISC Zero Cy: ");
    aerobs = count_line(table[end - 2], "    Iaerobs:     ");
    all_three = count_line(table[end - 1], "    iallthree:   ");
    if (zero < 0 || aerobs < 0 || all_three < 0) return "the count lines are not at the end";
    end -= 3;
  }
  for (std::size_t i = 2; i < end; ++i) {
    if (table[i].size() != 340)
      return "table line " + std::to_string(i + 1) + " is not a combined line of 340 columns";
    // Both model records carry the date-hour key that joined them.
    if (table[i].substr(183, 8) != table[i].substr(263, 8))
      return "table line " + std::to_string(i + 1) + " joins model records of different hours";
  }
  if (r.status == 0) {
    const long lines = static_cast<long>(end - 2);
    if (lines != all_three - zero || zero > all_three || all_three > aerobs)
      return "counts " + std::to_string(zero) + ", " + std::to_string(aerobs) + ", " +
             std::to_string(all_three) + " with " + std::to_string(lines) + " lines";
    const long aermod_records =
        static_cast<long>(count_records(pieces.size() > 3 ? pieces[3] : ""));
    if (aerobs > aermod_records - 2) return "more matches than AERMOD records";
  }
  return {};
}

}  // namespace fuzzing
