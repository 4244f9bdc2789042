#pragma once

#include <cmath>

namespace kit {

// The game places everything in twips, 1/1440 inch; at the reference 96 dots
// per inch fifteen of them make one pixel.
inline constexpr int twipsPerPixel = 15;

inline int toPixels(double twips) { return static_cast<int>(std::lround(twips / twipsPerPixel)); }

}  // namespace kit
