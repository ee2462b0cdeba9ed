// Dialog-unit arithmetic: the dialogs are laid out in dialog units of a
// font whose base units are 6 x 13 pixels at 96 dots per inch.
#pragma once

#include <cstdint>

namespace tovel {

// a * b / c rounded half away from zero, in 64 bits; -1 when c is 0.
constexpr int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const int64_t p = static_cast<int64_t>(a) * b;
    const bool negative = (p < 0) != (c < 0);
    const int64_t ap = p < 0 ? -p : p;
    const int64_t ac = c < 0 ? -static_cast<int64_t>(c) : c;
    const int64_t q = (ap + ac / 2) / ac;
    return static_cast<int>(negative ? -q : q);
}

inline constexpr int kBaseUnitX = 6;
inline constexpr int kBaseUnitY = 13;

constexpr int DluToPixelsX(int dlu)
{
    return MulDiv(dlu, kBaseUnitX, 4);
}
constexpr int DluToPixelsY(int dlu)
{
    return MulDiv(dlu, kBaseUnitY, 8);
}

// Height of the fixed-pitch font of the source view and the two lists for a
// horizontal resolution in dots per inch: negative, meaning a character
// height in pixels. 96 dpi gives -11, 120 gives -13, 144 gives -16.
constexpr int FixedFontHeight(int dpiX)
{
    return -MulDiv(12, dpiX, 108);
}

} // namespace tovel
