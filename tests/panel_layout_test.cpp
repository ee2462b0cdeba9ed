#include "composer/PanelLayout.h"

#include <gtest/gtest.h>

#include <vector>

namespace tovel {
namespace {

TEST(LayoutParameterPanel, SlotTable)
{
    struct Row {
        int n;
        int width; // of labels and value controls
        std::vector<int> slotX;
        std::vector<int> separatorX; // 1033, 1034, 1035 in use
        int closingX;
    } rows[] = {
        {0, 0, {}, {}, 138},
        {1, 350, {130}, {}, 481},
        {2, 170, {130, 310}, {301}, 481},
        {3, 110, {130, 250, 370}, {241, 361}, 481},
        {4, 80, {130, 220, 310, 400}, {211, 301, 391}, 481},
    };
    for (const Row& r : rows) {
        const PanelLayout l = LayoutParameterPanel(r.n);
        EXPECT_EQ(l.n, r.n);
        for (int i = 0; i < 4; ++i) {
            if (i < r.n) {
                EXPECT_EQ(l.labels[i], (PixelRect{r.slotX[i], 318, r.width, 14})) << r.n << " slot " << i + 1;
                EXPECT_EQ(l.values[i], (PixelRect{r.slotX[i], 332, r.width, 18})) << r.n << " slot " << i + 1;
            } else {
                EXPECT_EQ(l.labels[i], PixelRect{}) << r.n << " slot " << i + 1;
                EXPECT_EQ(l.values[i], PixelRect{}) << r.n << " slot " << i + 1;
            }
        }
        for (int i = 0; i < 3; ++i) {
            const PixelRect expected =
                i < static_cast<int>(r.separatorX.size()) ? PixelRect{r.separatorX[i], 332, 8, 18} : PixelRect{};
            EXPECT_EQ(l.separators[i], expected) << r.n << " separator " << i;
        }
        EXPECT_EQ(l.closing, (PixelRect{r.closingX, 335, 8, 18})) << r.n;
    }
}

TEST(LayoutParameterPanel, CountOutsideRangeIsClamped)
{
    EXPECT_EQ(LayoutParameterPanel(-1).closing, (PixelRect{138, 335, 8, 18}));
    EXPECT_EQ(LayoutParameterPanel(-1).n, 0);
    const PanelLayout l = LayoutParameterPanel(7);
    EXPECT_EQ(l.n, 4);
    EXPECT_EQ(l.values[3], (PixelRect{400, 332, 80, 18}));
}

} // namespace
} // namespace tovel
