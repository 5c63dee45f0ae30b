// Studies of the results combiner for tests: its file names, the combined table's
// header, observed report lines, model records and surface records spliced from
// fixed texts, and a run in a scratch folder that also reads the table.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "combine/combine.h"
#include "record_text.h"
#include "run.h"
#include "scratch.h"

namespace combine_test {

using testsupport::crlf;
using testsupport::lines;
using testsupport::padded;
using testsupport::read_file;

// The combiner's four input files (in the order it opens them) and its table.
inline constexpr std::string_view kObservedName = "TolvernOBSAnalysisNoFill.txt";
inline constexpr std::string_view kIscst3Name = "TLV-iscst3-Results.txt";
inline constexpr std::string_view kSurfaceName = "Tlvcutsurf-all.txt";
inline constexpr std::string_view kAermodName = "TLV-AERMOD-Results.txt";
inline constexpr std::string_view kTableName = "TLV-Combined-NoFill-Results.txt";

// The two header lines of the combined table, as the users' tools expect them.
inline const std::string kHeader1 =
    "                       DUR     Dist         Arc          Q           OBK            OMAX "
    "          CMAX             CY           CMAX/Q          CY/Q          Sy          PHIC    "
    "                 Distance   Cmax/Q       Sy       Sy      CY1/Q   CmaxT/CmaxO             "
    "       Distance   Cmax/Q       Sy       Sy      CY1/Q   CmaxT/CmaxO";
inline const std::string kHeader2 =
    "     Exp  YYMMDDHHMM  (min)    (m)         (km)        (g/s)         (m)        "
    "(gx10^-6/m^3)  (gx10^-6/m^3)  (sx10^-6/m^2)  (sx10^-6/m^3)  (sx10^-6/m^2)      (m)        "
    "(degrees)    YYMMDDHH        (m) (s*m^3x10^-6)   (deg)     (m) (sx10^-6/m^2)  (none)       "
    "  YYMMDDHH        (m) (s*m^3x10^-6)   (deg)     (m) (sx10^-6/m^2)  (none)";

// `line` with `text` written over it from column `col` (1-based), blank-extended.
inline std::string splice(std::string line, int col, std::string_view text) {
  return testsupport::place(line, col, text);
}

// The expected combined line: the observed line with `obk10` in its OBK columns, padded to
// 180 columns, then both model records padded or cut to 80.
inline std::string joined(const std::string& observed, std::string_view obk10,
                          std::string_view aermod, std::string_view iscst3) {
  return padded(splice(observed, 64, obk10), 180) + padded(aermod, 80) + padded(iscst3, 80);
}

// A 177-column report data line as the analysis writes it: experiment 3, Dist 2.03 km,
// Q 12.35 g/s, OMAX 1234.0, CMAX 1100.0, CY 352000.0, Sy 127.6 m, PHIC 245.7, with the
// given Exp (i5), YYMMDDHHMM stamp, Arc (f10.2) and OBK (f10.2) fields.
inline std::string observed_line(std::string_view exp5, std::string_view stamp10,
                                 std::string_view arc10, std::string_view obk10 = "    -45.60") {
  std::string line =
      "       3  8005051000  60      2.03         2.00        12.35       -45.60        "
      "1.2340E+03     1.1000E+03     3.5200E+05     8.9069E+01     2.8502E+04       127.600"
      "      245.70";
  line = splice(line, 4, exp5);
  line = splice(line, 11, stamp10);
  line = splice(line, 38, arc10);
  return splice(line, 64, obk10);
}

// An 80-column model record: date-hour key (columns 4-11), receptor distance (16-24,
// f9.3), Cmax/Q (25-36, also used as a tag), Sy in degrees and metres, CY1/Q (55-64)
// and CmaxT/CmaxO (65-74).
inline std::string model_record(std::string_view key8, std::string_view dist9,
                                std::string_view cy10, std::string_view cmaxq12 = "  2.4100E+01") {
  std::string r = "   " + std::string(key8) + "    " + std::string(dist9) + std::string(cmaxq12) +
                  "   14.20" + "   241.5" + "  " + std::string(cy10) + "     0.874";
  return padded(r, 80);
}

// A cut AERMET surface record: year, month, day, day of year and hour, filler, then the
// Monin-Obukhov length in columns 57-64 (f8.1 text), then more AERMET columns.
inline std::string surface_record(int yy, int mm, int dd, int hh, std::string_view obk8) {
  char keys[32];
  std::snprintf(keys, sizeof keys, "%2d%3d%3d%4d%3d", yy, mm, dd, 180 + dd, hh);
  std::string r = std::string(keys) + "   -12.3  0.512 -9.000 0.010 -999.   850.";
  r = splice(r, 57, obk8);
  return r + "  0.1000  1.50  1.00    4.10  245.0   10.0  293.2    2.0";
}

// The four input files of a run as their records, header lines included; written
// into `dir` with LF line ends.
struct Study {
  std::vector<std::string> observed, iscst3, surface, aermod;
  void write(const testsupport::ScratchDir& dir) const {
    dir.write(kObservedName, lines(observed));
    dir.write(kIscst3Name, lines(iscst3));
    dir.write(kSurfaceName, lines(surface));
    dir.write(kAermodName, lines(aermod));
  }
};

struct Result : testsupport::RunResult {
  std::string table;  // the whole output file
};

// Runs the combiner in `dir` with `args`.
inline Result run_in(const std::filesystem::path& dir, const std::vector<std::string>& args = {}) {
  // Braced initialisers run in order: the table is read after the run.
  return {testsupport::run_program(run_combine, dir, args), read_file(dir / kTableName)};
}
inline Result run_in(const testsupport::ScratchDir& dir,
                     const std::vector<std::string>& args = {}) {
  return run_in(dir.path(), args);
}

// The three count lines, each count from column 20.
inline std::vector<std::string> count_lines(int zero_cy, int aerobs, int all_three) {
  return {"     ISC Zero Cy:  " + std::to_string(zero_cy),
          "     Iaerobs:      " + std::to_string(aerobs),
          "     iallthree:    " + std::to_string(all_three)};
}

}  // namespace combine_test
