#include "arcstats/areatp.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <ostream>
#include <stdexcept>
#include <string_view>

#include "arcstats/arcstats.h"
#include "arcstats/sort.h"
#include "records/errors.h"
#include "records/write.h"

namespace arcstats {

namespace detail {

ValidPairs valid_pairs(std::span<const float> CONC, std::span<const float> YLAT,
                       std::size_t count) {
  ValidPairs p;
  for (std::size_t i = 0; i < count; ++i) {
    if (CONC[i] >= 0.0f) {
      p.conc[static_cast<std::size_t>(p.n)] = CONC[i];
      p.ylat[static_cast<std::size_t>(p.n)] = YLAT[i];
      ++p.n;
    }
  }
  return p;
}

bool integrate_profile(int NUM, std::span<const float> CONC, std::span<const float> YLAT, float& CY,
                       int IENDS) {
  if (NUM > NMAX) return false;
  const std::size_t len = NUM > 0 ? static_cast<std::size_t>(NUM) : 0;
  if (CONC.size() < len || YLAT.size() < len) {
    throw std::length_error("areatp: profile arrays shorter than NUM");
  }

  ValidPairs valid = valid_pairs(CONC, YLAT, len);
  std::array<float, NMAX>& yw = valid.ylat;
  std::array<float, NMAX>& cw = valid.conc;
  const int n = valid.n;
  sort2(yw, cw, n);  // status not needed: an empty profile is caught below

  if (n <= 2) {
    CY = -999.0f;
    return true;
  }

  float cy = 0.0f;
  for (int i = 1; i < n; ++i) {
    const float h = static_cast<float>((double{cw[i - 1]} + double{cw[i]}) * 0.5);
    const float w = static_cast<float>(std::fabs(double{yw[i - 1]} - double{yw[i]}));
    const float p = static_cast<float>(double{h} * double{w});
    cy = static_cast<float>(double{cy} + double{p});
  }

  float e1 = 0.0f;
  float en = 0.0f;
  if (IENDS != 0) {
    const float w1 = static_cast<float>(std::fabs(double{yw[1]} - double{yw[0]}));
    e1 = static_cast<float>(double{cw[0]} * 0.5 * double{w1});
    const float wn = static_cast<float>(std::fabs(double{yw[n - 1]} - double{yw[n - 2]}));
    en = static_cast<float>(double{cw[n - 1]} * 0.5 * double{wn});
  }
  CY = static_cast<float>(double{cy} + double{e1} + double{en});
  return true;
}

}  // namespace detail

void areatp(int NUM, std::span<const float> CONC, std::span<const float> YLAT, float& CY, int IENDS,
            std::ostream& console) {
  if (detail::integrate_profile(NUM, CONC, YLAT, CY, IENDS)) return;
  records::write_console_list(console, {std::string_view("Subroutine areatp ")});
  records::write_console_list(
      console, {std::string_view("Num = "), NUM, std::string_view(" nmax = "), NMAX});
  // A fatal limit: the run must not report success to whoever started it.
  throw records::StopRun(2);
}

}  // namespace arcstats
