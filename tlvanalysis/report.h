// The two output files of the elevated-release analysis: the report
// "TolvernOBSAnalysis.txt" (two header lines, then one line of plume statistics
// per analysed arc) and the hourly emission records "TLVemissions.txt" of the
// model runs. Layouts are parsed once, when a file is opened; the report's layouts
// are those in formats/analysis_report.h, which its readers share.
#pragma once

#include <filesystem>
#include <string_view>

#include "arcstats/fit_outcome.h"
#include "formats/analysis_report.h"
#include "records/records.h"

namespace tlvanalysis {

inline constexpr std::string_view kReportFileName = formats::kAnalysisReportFile;
inline constexpr std::string_view kEmissionsFileName = "TLVemissions.txt";

// One report data line: the experiment hour and the arc's statistics.
struct ReportLine {
  int NEXP = 0;
  int year = 0, month = 0, day = 0, hour = 0, minutes = 0;
  int DUR = 60;      // averaging time of a sample, min
  float Arc = 0.0f;  // nominal arc distance, km
  float Q = 0.0f;    // emission rate, g/s
  float OBK = 0.0f;  // Obukhov length, m
  // Dist: mean distance of the samplers with positive concentration, km; OMAX:
  // largest observed concentration and CMAX: fitted centreline maximum, both
  // 10^-6 g/m^3; CY: crosswind-integrated concentration, 10^-6 g/m^2; CMAXQ and
  // CYQ: CMAX/Q, 10^-6 s/m^3, and CY/Q, 10^-6 s/m^2; Sy: lateral spread, m; PHIC:
  // plume centreline direction, degrees.
  arcstats::ArcColumns stats;
};

class Report {
 public:
  // Starts the report in `file` (the run's "TolvernOBSAnalysis.txt"): its two
  // header lines.
  static Report create(records::OutputFile file);

  // Writes the line; one that holds a value that is not finite is not written:
  // RunError kBeyondFloatRange (status 2) naming `block`, the block's key record.
  void write_line(const ReportLine& line, const records::Origin& block);
  // The two list-form lines written for an arc of more samplers than the fit takes.
  void write_arc_size(int NUM);
  // Flushes and closes the file; a failure throws RunError (status 1).
  void close() { file_.close(); }

 private:
  explicit Report(records::OutputFile file);
  records::OutputFile file_;
  records::Layout header_;
  records::Layout line_;
};

// One hourly emission record: the hour as read from the block's keys, the rate
// written (always 1000.0 g/s) and the block's stack exit temperature and velocity.
struct EmissionRecord {
  int year = 0, month = 0, day = 0, hour = 0;
  float rate = 1000.0f;
  float TS = 0.0f;
  float VS = 0.0f;
};

class Emissions {
 public:
  // The emissions file in `file` (the run's "TLVemissions.txt"); an earlier file
  // stays as it is when the run writes no record.
  static Emissions open(records::OutputFile file);

  // Writes the record; as Report::write_line, a rate, TS or VS that is not finite
  // ends the run naming `block`.
  void write(const EmissionRecord& record, const records::Origin& block);
  // Flushes and closes the file; a failure throws RunError (status 1).
  void close() { file_.close(); }

 private:
  explicit Emissions(records::OutputFile file);
  records::OutputFile file_;
  records::Layout layout_;
};

}  // namespace tlvanalysis
