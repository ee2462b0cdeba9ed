// Pixel positions of the "Choose Parameters" panel for a given slot count.
// All positions are device pixels in the main dialog's client area.
#pragma once

#include <array>

namespace tovel {

// The panel shows its slots in rows of four; a routine with more parameters
// gets a further row for every four, up to four rows.
inline constexpr int kSlotsPerRow = 4;
inline constexpr int kPanelRows = 4;
inline constexpr int kMaxSlots = kSlotsPerRow * kPanelRows;
// From one row of slots to the next, in pixels.
inline constexpr int kPanelRowHeight = 36;

struct PixelRect {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const PixelRect&) const = default;
};

struct PanelLayout {
    int n = 0;
    int rows = 1;                                    // rows of slots, at least one
    std::array<PixelRect, kMaxSlots> labels, values; // slots 1..n (index k-1); unused entries zero
    std::array<PixelRect, kMaxSlots - 1> separators; // before slots 2..n (index k-2); unused entries zero
    PixelRect closing;                               // the ")" label 1036
};

// The rows n slots take: 1 for up to four, and one more for every four after.
// n is clamped to 0..kMaxSlots.
int PanelRows(int n);

// The places of name labels, value controls, separators and ")" for n slots.
// n is clamped to 0..kMaxSlots. Each row lays out its slots as a panel of
// that many slots would, one row height further down; the separator before
// the first slot of a row stands at the end of the row above.
PanelLayout LayoutParameterPanel(int n);

// Where the hidden controls are parked while the panel is rebuilt.
PixelRect ParkedComboRect(int k); // (k, 332, 3, 18)
PixelRect ParkedEditRect(int k);  // (k, 318, 3, 18)
PixelRect ParkedSeparatorRect();  // (5, 332, 3, 18)

} // namespace tovel
