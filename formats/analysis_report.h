// The analysis report of the elevated-release study: written by tlvanalysis,
// read back (as a renamed copy) by TLVCombineAll and, through the combined table,
// by tlvstats. Two header lines, then one line of plume statistics per arc.
#pragma once

#include <array>
#include <string_view>

namespace formats {

inline constexpr std::string_view kAnalysisReportFile = "TolvernOBSAnalysis.txt";

// The two header lines, written with no items.
inline constexpr std::string_view kAnalysisReportHeader =
    "(20x,'  DUR     Dist         Arc           Q    Hanna-Paine-OBK       OMAX           CMAX"
    "           CY            CMAX/Q          CY/Q            Sy         PHIC',/,4x,' Exp  "
    "YYMMDDHHMM (min)    (km)         (km)        (g/s)         (m)    ','   (gx10^-6/m^3)  "
    "(gx10^-6/m^3)  (sx10^-6/m^2)  (sx10^-6/m^3)  (sx10^-6/m^2)        (m)      (degrees)')";

// One data line: Exp, year, month, day, hour, minutes, DUR, Dist, Arc, Q, OBK, OMAX,
// CMAX, CY, CMAX/Q, CY/Q, Sy, PHIC (177 columns).
inline constexpr std::string_view kAnalysisReportLine =
    "(3x,i5,2x,5i2.2,2x,i2,4(f10.2,3x),5(3x,1pe12.4),2x,0pf12.3,f12.2)";

// Names of the data line's fields, in layout order, for read failure messages.
inline constexpr std::array<std::string_view, 18> kAnalysisReportFields = {
    "Exp", "year", "month", "day",  "hour", "minute", "DUR",  "Dist", "Arc",
    "Q",   "OBK",  "OMAX",  "CMAX", "CY",   "CMAX/Q", "CY/Q", "Sy",   "PHIC"};

// The join keys of a data line: the date-hour stamp YYMMDDHH and the arc distance
// (km) from the last five columns of Arc.
inline constexpr std::string_view kAnalysisReportKeys = "(t11,a8,t43,f5.2)";

}  // namespace formats
