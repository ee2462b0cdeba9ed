// Pixel positions of the "Choose Parameters" panel for a given slot count.
// All positions are device pixels in the main dialog's client area.
#pragma once

#include <array>

namespace tovel {

struct PixelRect {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const PixelRect&) const = default;
};

struct PanelLayout {
    int n = 0;
    std::array<PixelRect, 4> labels, values; // slots 1..n (index k-1); unused entries zero
    std::array<PixelRect, 3> separators;     // before slots 2..4 (ids 1033, 1034, 1035); unused entries zero
    PixelRect closing;                       // the ")" label 1036
};

// The places of name labels, value controls, separators and ")" for n slots.
// n is clamped to 0..4.
PanelLayout LayoutParameterPanel(int n);

// Where the hidden controls are parked while the panel is rebuilt.
PixelRect ParkedComboRect(int k); // (k, 332, 3, 18)
PixelRect ParkedEditRect(int k);  // (k, 318, 3, 18)
PixelRect ParkedSeparatorRect();  // (5, 332, 3, 18)

} // namespace tovel
