// Stability class of one hour from the AERMET Obukhov length.
//
// obk2kst turns the roughness length into six class-typical reciprocal Obukhov
// lengths (a power law of z0), takes the midpoints between neighbouring classes
// as boundaries and places the hour's 1/L among them: classes 1-4 when the
// sensible heat flux is positive, 4-6 when it is negative, 4 (neutral) when it is
// zero of either sign, and -9 when L carries the missing mark (-99999.0 or below).
#pragma once

namespace tessiclip {

// Missing-value mark of the Obukhov length in AERMET surface files.
inline constexpr float kMissingObukhov = -99999.0f;

// Class of an hour with Obukhov length `L` (m), sensible heat flux `H` (only its
// sign counts) and roughness length `z0` (m). Pure: no state, no failure; L = 0
// gives an infinite 1/L, a roughness of zero or below gives centres that fail
// every comparison (class 4).
int obk2kst(float L, float H, float z0);

namespace detail {
// The class boundaries B(1)..B(5) at roughness z0 (index 0..4), as obk2kst uses
// them: each centre c(k)*z0^e(k) and each midpoint rounded to float.
void class_boundaries(float z0, float (&B)[5]);
}  // namespace detail

}  // namespace tessiclip
