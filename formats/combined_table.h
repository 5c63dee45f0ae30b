// The combined table "TLV-Combined-NoFill-Results.txt": written by TLVCombineAll,
// read by tlvstats. Two header lines; then per joined hour and arc one line of the
// observed report line (its OBK column replaced), the AERMOD record and the ISCST3
// record; then three count lines in list form.
#pragma once

#include <array>
#include <string_view>

namespace formats {

inline constexpr std::string_view kCombinedFile = "TLV-Combined-NoFill-Results.txt";

// A joined line: the observed text, then the AERMOD and the ISCST3 record.
inline constexpr int kCombinedObservedWidth = 180;
inline constexpr int kCombinedModelWidth = 80;
inline constexpr std::string_view kCombinedLine = "(a180,2a80)";
// First columns (counted from 1) of the AERMOD and the ISCST3 record.
inline constexpr std::array<int, 2> kCombinedModelFirst = {
    1 + kCombinedObservedWidth, 1 + kCombinedObservedWidth + kCombinedModelWidth};

// The two header lines (336 and 334 columns).
inline constexpr std::string_view kCombinedHeader1 =
    "                       DUR     Dist         Arc          Q           OBK            OMAX  "
    "         CMAX             CY           CMAX/Q          CY/Q          Sy          PHIC     "
    "                Distance   Cmax/Q       Sy       Sy      CY1/Q   CmaxT/CmaxO              "
    "      Distance   Cmax/Q       Sy       Sy      CY1/Q   CmaxT/CmaxO";
inline constexpr std::string_view kCombinedHeader2 =
    "     Exp  YYMMDDHHMM  (min)    (m)         (km)        (g/s)         (m)        (gx10^-6/m"
    "^3)  (gx10^-6/m^3)  (sx10^-6/m^2)  (sx10^-6/m^3)  (sx10^-6/m^2)      (m)        (degrees) "
    "   YYMMDDHH        (m) (s*m^3x10^-6)   (deg)     (m) (sx10^-6/m^2)  (none)         YYMMDDH"
    "H        (m) (s*m^3x10^-6)   (deg)     (m) (sx10^-6/m^2)  (none)";

// Labels of the three count lines, each 17 columns so that every count starts in
// column 20 (list form: a blank, the label, then the count).
inline constexpr std::string_view kZeroCyLabel = "    ISC Zero Cy: ";
inline constexpr std::string_view kAerobsLabel = "    Iaerobs:     ";
inline constexpr std::string_view kAllThreeLabel = "    iallthree:   ";
inline constexpr std::array<std::string_view, 3> kCountLabels = {kZeroCyLabel, kAerobsLabel,
                                                                 kAllThreeLabel};
// A count line read back: the count after the blank and the label.
inline constexpr std::string_view kCountLine = "(19x,i12)";

}  // namespace formats
