// Small elevated-release studies for the tlvanalysis tests: the names of the
// program's files, the observation blocks and the quality-control records, every
// field placed at its columns as text, so that a test can put anything (blanks,
// letters) in a field.
#pragma once

#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "record_text.h"
#include "tlvanalysis/observation_reader.h"
#include "tlvanalysis/qc_table.h"
#include "tlvanalysis/report.h"

namespace tlvtest {

// The analysis's two input files and its two output files.
inline constexpr std::string_view kQc = tlvanalysis::kQcFileName;
inline constexpr std::string_view kObs = tlvanalysis::kObservationFileName;
inline constexpr std::string_view kReport = tlvanalysis::kReportFileName;
inline constexpr std::string_view kEmissions = tlvanalysis::kEmissionsFileName;

using testsupport::fixed;
using testsupport::lines;
using testsupport::place;
using testsupport::right;

struct Sampler {
  std::string x, y, conc;  // columns 5-12, 13-22, 33-42 (right-aligned)
};

struct Block {
  std::string date = " 80-05-05 ";   // key record columns 32-41
  std::string time = "1000";         // key record columns 78-87
  std::string obk = "-45.60";        // stability record columns 30-38
  std::string ts = "400.00";         // source record columns 30-37
  std::string vs = "12.50";          // 47-55
  std::string q = "12.35";           // 67-75
  std::string factor = "1.0";        // 87-97
  std::string dist = "2.0";          // arc record columns 12-16
  std::optional<std::string> count;  // columns 32-36; default: the number of samplers
  std::vector<Sampler> samplers;
  std::string record3 = "  SIGMA-THETA = 12.3 DEG   WIND FROM = 250.0 DEG";
  std::string record6 = " NO.  X (KM)    Y (KM)              CONC";
};

inline std::string key_record(std::string_view date, std::string_view time) {
  std::string r = "TOLVERN SF6  TEST";
  place(r, 32, date);
  place(r, 78, time);
  return r;
}

// The records of one block: key, stability, record 3, source, arc, record 6, then
// one record per sampler.
inline std::vector<std::string> block_records(const Block& b) {
  std::vector<std::string> out = {key_record(b.date, b.time)};
  std::string r = " STABILITY";
  out.push_back(place(r, 30, right(b.obk, 9)));
  out.push_back(b.record3);
  r = " STACK";
  place(r, 30, right(b.ts, 8));
  place(r, 47, right(b.vs, 9));
  place(r, 67, right(b.q, 9));
  out.push_back(place(r, 87, right(b.factor, 11)));
  r = " ARC(KM)";
  place(r, 12, right(b.dist, 5));
  out.push_back(place(r, 32, right(b.count ? *b.count : std::to_string(b.samplers.size()), 5)));
  out.push_back(b.record6);
  for (std::size_t i = 0; i < b.samplers.size(); ++i) {
    r = right(std::to_string(i + 1), 4);
    place(r, 5, right(b.samplers[i].x, 8));
    place(r, 13, right(b.samplers[i].y, 10));
    out.push_back(place(r, 33, right(b.samplers[i].conc, 10)));
  }
  return out;
}

// The records of one block, each ended by LF.
inline std::string block_text(const Block& b) {
  return lines(block_records(b));
}

inline std::string blocks_text(const std::vector<Block>& blocks) {
  std::string out;
  for (const Block& b : blocks) out += block_text(b);
  return out;
}

// The study's release point, km.
inline constexpr double kXsrc = 285.597, kYsrc = 4385.088;

// Samplers at `dist_km` from the release point at the given bearings (degrees from
// north), coordinates written with three decimals (1 m).
inline std::vector<Sampler> arc_samplers(double dist_km, const std::vector<double>& bearings,
                                         const std::vector<std::string>& concs) {
  std::vector<Sampler> s;
  const double pi = 3.14159265358979323846;
  for (std::size_t i = 0; i < bearings.size(); ++i) {
    const double b = bearings[i] * pi / 180.0;
    s.push_back({fixed(kXsrc + dist_km * std::sin(b), 3), fixed(kYsrc + dist_km * std::cos(b), 3),
                 concs[i]});
  }
  return s;
}

// Samplers on the 1 km arc, one per concentration, spread evenly over the bearings
// 80 to 100 degrees.
inline std::vector<Sampler> fan(const std::vector<std::string>& concs) {
  std::vector<double> bearings;
  const double gaps = concs.size() > 1 ? static_cast<double>(concs.size() - 1) : 1.0;
  for (std::size_t i = 0; i < concs.size(); ++i)
    bearings.push_back(80.0 + 20.0 * static_cast<double>(i) / gaps);
  return arc_samplers(1.0, bearings, concs);
}

// A plume of three samplers 10 degrees apart on the 1 km arc, centred due east,
// concentrations 1, 2, 1 (file unit).
inline std::vector<Sampler> small_plume() {
  return arc_samplers(1.0, {80.0, 90.0, 100.0}, {"1.00", "2.00", "1.00"});
}

struct QcRecord {
  std::string date = "80/05/05";  // columns 3-10 (year 3-4, month 6-7, day 9-10)
  std::string hour = "10";        // columns 20-21
  std::string dist = "2.0";       // columns 42-45
  std::string flag = "3";         // column 88
};

inline std::string qc_record(const QcRecord& q) {
  std::string r;
  place(r, 3, q.date);
  place(r, 20, right(q.hour, 2));
  place(r, 24, "     12.50");
  place(r, 42, right(q.dist, 4));
  place(r, 66, "REMARK");
  place(r, 88, q.flag);
  return r;
}

// `n` header records, holding text in every field's columns.
inline std::vector<std::string> qc_header(int n = 48) {
  std::vector<std::string> out;
  for (int i = 0; i < n; ++i)
    out.push_back("HEADER " + std::to_string(i + 1) + " xx/yy/zz  hour  AB  dist ABCD  flag" +
                  std::string(60, 'Z'));
  return out;
}

// 48 header records, then the records.
inline std::string qc_file(const std::vector<QcRecord>& records, int header_records = 48) {
  std::vector<std::string> out = qc_header(header_records);
  for (const QcRecord& q : records) out.push_back(qc_record(q));
  return lines(out);
}

}  // namespace tlvtest
