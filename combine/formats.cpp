#include "combine/formats.h"

namespace combine {

const std::string_view kHeaderLine1 =
    "                       DUR     Dist         Arc          Q           OBK            OMAX  "
    "         CMAX             CY           CMAX/Q          CY/Q          Sy          PHIC     "
    "                Distance   Cmax/Q       Sy       Sy      CY1/Q   CmaxT/CmaxO              "
    "      Distance   Cmax/Q       Sy       Sy      CY1/Q   CmaxT/CmaxO";

const std::string_view kHeaderLine2 =
    "     Exp  YYMMDDHHMM  (min)    (m)         (km)        (g/s)         (m)        (gx10^-6/m"
    "^3)  (gx10^-6/m^3)  (sx10^-6/m^2)  (sx10^-6/m^3)  (sx10^-6/m^2)      (m)        (degrees) "
    "   YYMMDDHH        (m) (s*m^3x10^-6)   (deg)     (m) (sx10^-6/m^2)  (none)         YYMMDDH"
    "H        (m) (s*m^3x10^-6)   (deg)     (m) (sx10^-6/m^2)  (none)";

}  // namespace combine
