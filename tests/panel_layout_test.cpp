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
        EXPECT_EQ(l.rows, 1);
        for (int i = 0; i < kMaxSlots; ++i) {
            if (i < r.n) {
                EXPECT_EQ(l.labels[i], (PixelRect{r.slotX[i], 318, r.width, 14})) << r.n << " slot " << i + 1;
                EXPECT_EQ(l.values[i], (PixelRect{r.slotX[i], 332, r.width, 18})) << r.n << " slot " << i + 1;
            } else {
                EXPECT_EQ(l.labels[i], PixelRect{}) << r.n << " slot " << i + 1;
                EXPECT_EQ(l.values[i], PixelRect{}) << r.n << " slot " << i + 1;
            }
        }
        for (int i = 0; i < kMaxSlots - 1; ++i) {
            const PixelRect expected =
                i < static_cast<int>(r.separatorX.size()) ? PixelRect{r.separatorX[i], 332, 8, 18} : PixelRect{};
            EXPECT_EQ(l.separators[i], expected) << r.n << " separator " << i;
        }
        EXPECT_EQ(l.closing, (PixelRect{r.closingX, 335, 8, 18})) << r.n;
    }
}

TEST(LayoutParameterPanel, FurtherRowsBelowTheFirst)
{
    // Six slots: the first row as for four, the second as for two, one row lower;
    // the comma before slot 5 ends the first row, ")" the second.
    const PanelLayout six = LayoutParameterPanel(6);
    const PanelLayout four = LayoutParameterPanel(4);
    EXPECT_EQ(six.rows, 2);
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(six.values[i], four.values[i]) << "slot " << i + 1;
    EXPECT_EQ(six.labels[4], (PixelRect{130, 318 + 36, 170, 14}));
    EXPECT_EQ(six.values[5], (PixelRect{310, 332 + 36, 170, 18}));
    EXPECT_EQ(six.separators[3], (PixelRect{481, 332, 8, 18}));
    EXPECT_EQ(six.separators[4], (PixelRect{301, 332 + 36, 8, 18}));
    EXPECT_EQ(six.closing, (PixelRect{481, 335 + 36, 8, 18}));
    EXPECT_EQ(six.values[6], PixelRect{});
    EXPECT_EQ(PanelRows(0), 1);
    EXPECT_EQ(PanelRows(4), 1);
    EXPECT_EQ(PanelRows(5), 2);
    EXPECT_EQ(PanelRows(13), 4);
}

TEST(LayoutParameterPanel, CountOutsideRangeIsClamped)
{
    EXPECT_EQ(LayoutParameterPanel(-1).closing, (PixelRect{138, 335, 8, 18}));
    EXPECT_EQ(LayoutParameterPanel(-1).n, 0);
    const PanelLayout l = LayoutParameterPanel(kMaxSlots + 3);
    EXPECT_EQ(l.n, kMaxSlots);
    EXPECT_EQ(l.rows, kPanelRows);
    EXPECT_EQ(l.values[kMaxSlots - 1], (PixelRect{400, 332 + 3 * 36, 80, 18}));
}

} // namespace
} // namespace tovel
