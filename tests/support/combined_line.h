// Lines of the combined table as the evaluation reads them, made by hand: both
// quantities alike and every pair valid.
#pragma once

#include "evaluate/input/combined_table.h"

namespace testsupport {

// At arc `arc` (km) and Obukhov length `obk`: observed `co`, AERMOD `aermod` and
// ISCST3 `iscst3` in both quantities.
inline evaluate::CombinedLine combined_line(float arc, float obk, float co, float aermod,
                                            float iscst3) {
  evaluate::CombinedLine l;
  l.arc = arc;
  l.obk = obk;
  for (int q = 0; q < evaluate::kQuantities; ++q) {
    l.observed[q] = co;
    l.predicted[evaluate::kAermod][q] = aermod;
    l.predicted[evaluate::kIscst3][q] = iscst3;
    l.state[evaluate::kAermod][q] = evaluate::PairState::valid;
    l.state[evaluate::kIscst3][q] = evaluate::PairState::valid;
  }
  return l;
}

}  // namespace testsupport
