#pragma once
// The 35 thread colours of the preview and the legend, numbered from 1.

#include <array>
#include <cstdint>

namespace tessaline {

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend constexpr bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr int kThreadColourCount = 35;

// Index 0 is unused so that colour number k is kThreadPalette[k].
inline constexpr std::array<Rgb, kThreadColourCount + 1> kThreadPalette{{
    {0, 0, 0},
    {255, 102, 51}, {204, 204, 51}, {245, 200, 50}, {0, 200, 200}, {204, 153, 153},
    {102, 230, 100}, {230, 255, 102}, {204, 0, 102}, {153, 51, 102}, {0, 153, 0},
    {0, 0, 153}, {204, 51, 255}, {205, 205, 0}, {255, 193, 37}, {56, 142, 142},
    {0, 206, 209}, {255, 165, 0}, {186, 85, 211}, {218, 112, 214}, {220, 92, 215},
    {125, 157, 62}, {241, 156, 187}, {255, 191, 0}, {127, 255, 212}, {8, 232, 222},
    {0, 221, 221}, {255, 153, 102}, {172, 225, 175}, {223, 255, 0}, {155, 221, 255},
    {140, 146, 172}, {205, 0, 204}, {150, 200, 162}, {204, 204, 255}, {32, 178, 170},
}};

// Colour number 1 to 35; numbers outside that range give colour 1 rather than reading past the table.
constexpr Rgb threadColour(int number) {
    return (number >= 1 && number <= kThreadColourCount) ? kThreadPalette[static_cast<std::size_t>(number)]
                                                         : kThreadPalette[1];
}

}  // namespace tessaline
