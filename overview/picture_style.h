// The colours and sizes both painters draw a picture with, so that a PNG and an SVG of the
// same track look alike.
#pragma once

#include <cstddef>
#include <cstdint>

namespace overview {

struct Rgb {
    std::uint8_t r, g, b;
};

namespace style {

inline constexpr Rgb kBackground{255, 255, 255};
inline constexpr Rgb kGrid{214, 214, 214};
inline constexpr Rgb kText{70, 70, 70};
inline constexpr Rgb kKept{0, 0, 0};
inline constexpr Rgb kStart{0, 160, 0};
inline constexpr Rgb kEnd{220, 0, 0};
inline constexpr Rgb kProfile{120, 80, 30};
// The segments' colours in turn; none is the grid's, the background's or a marker's.
inline constexpr Rgb kSegments[] = {{31, 90, 200}, {230, 120, 0},  {140, 40, 170},
                                    {0, 150, 160}, {200, 40, 120}, {100, 110, 20}};
inline constexpr std::size_t kSegmentColours = std::size(kSegments);
inline constexpr double kLineWidth = 2.0;
inline constexpr double kKeptRadius = 2.5;
inline constexpr double kMarkerRadius = 5.0;
inline constexpr int kFontPixels = 11;

}  // namespace style

}  // namespace overview
