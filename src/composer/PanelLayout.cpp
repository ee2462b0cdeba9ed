#include "composer/PanelLayout.h"

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

} // namespace

PanelLayout LayoutParameterPanel(int n)
{
    PanelLayout layout;
    layout.n = n < 0 ? 0 : (n > 4 ? 4 : n);
    if (layout.n == 0) {
        // Right after the template's "(" label.
        layout.closing = {138, kClosingY, 8, 18};
        return layout;
    }
    const int w = kPanelWidth / layout.n;
    for (int k = 1; k <= layout.n; ++k) {
        const int x = kPanelLeft + ((k - 1) * kPanelWidth) / layout.n;
        layout.labels[k - 1] = {x, kLabelY, w - kSlotGap, kLabelHeight};
        layout.values[k - 1] = {x, kValueY, w - kSlotGap, kValueHeight};
        if (k >= 2)
            layout.separators[k - 2] = {x - 9, kValueY, 8, kValueHeight}; // one pixel after the previous slot
    }
    layout.closing = {481, kClosingY, 8, 18};
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
