#include "composer/PanelLayout.h"

#include <algorithm>

namespace tovel {

namespace {

constexpr int kPanelLeft = 130;
constexpr int kPanelWidth = 360;
constexpr int kSlotGap = 10;
constexpr int kLabelY = 318;
constexpr int kLabelHeight = 14;
constexpr int kValueY = 332;
constexpr int kValueHeight = 18;
constexpr int kClosingY = 335;
constexpr int kRowEndX = 481;

int ClampSlots(int n)
{
    return std::clamp(n, 0, kMaxSlots);
}

} // namespace

int PanelRows(int n)
{
    return std::max(1, (ClampSlots(n) + kSlotsPerRow - 1) / kSlotsPerRow);
}

PanelLayout LayoutParameterPanel(int n)
{
    PanelLayout layout;
    layout.n = ClampSlots(n);
    layout.rows = PanelRows(layout.n);
    if (layout.n == 0) {
        // Right after the template's "(" label.
        layout.closing = {138, kClosingY, 8, 18};
        return layout;
    }
    for (int row = 0; row < layout.rows; ++row) {
        const int first = row * kSlotsPerRow; // index of the row's first slot
        const int inRow = std::min(kSlotsPerRow, layout.n - first);
        const int down = row * kPanelRowHeight;
        const int w = kPanelWidth / inRow;
        for (int j = 0; j < inRow; ++j) {
            const int i = first + j;
            const int x = kPanelLeft + (j * kPanelWidth) / inRow;
            layout.labels[i] = {x, kLabelY + down, w - kSlotGap, kLabelHeight};
            layout.values[i] = {x, kValueY + down, w - kSlotGap, kValueHeight};
            if (j >= 1)
                layout.separators[i - 1] = {x - 9, kValueY + down, 8,
                                            kValueHeight}; // one pixel after the previous slot
            else if (row >= 1)
                layout.separators[i - 1] = {kRowEndX, kValueY + down - kPanelRowHeight, 8, kValueHeight};
        }
    }
    layout.closing = {kRowEndX, kClosingY + (layout.rows - 1) * kPanelRowHeight, 8, 18};
    return layout;
}

PixelRect ParkedComboRect(int k)
{
    return {k, kValueY, 3, kValueHeight};
}

PixelRect ParkedEditRect(int k)
{
    return {k, kLabelY, 3, kValueHeight};
}

PixelRect ParkedSeparatorRect()
{
    return {5, kValueY, 3, kValueHeight};
}

} // namespace tovel
