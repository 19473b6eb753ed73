// The scroller's motion, colour and wave, checked against values worked by hand from the
// scroller's rules (x = 12i - pos + 639, y = trunc(sin(0.44878...i + pos/7) * 10 + 440),
// +7 per frame with the wrap past 9500).
#include <gtest/gtest.h>

#include "scroller.h"
#include "texts.h"

TEST(Scroller, PositionRunsOnePassOf1358FramesThenWraps)
{
    std::uint32_t pos = 0;
    int frames = 0;
    std::uint32_t last = 0;
    do {
        last = pos;
        pos = NextScrollPos(pos);
        ++frames;
        ASSERT_EQ(pos % 7, 0u);
    } while (pos != 0 && frames < 2000);
    EXPECT_EQ(frames, 1358);
    EXPECT_EQ(last, 9499u);        // 9499 + 7 = 9506 > 9500 wraps to 0
    EXPECT_EQ(NextScrollPos(0), 7u);
    EXPECT_EQ(NextScrollPos(9499), 0u);
}

TEST(Scroller, BlueFollowsThePositionModulo100)
{
    struct Case { std::uint32_t pos; int blue; } cases[] = {
        {0, 255}, {7, 248}, {98, 157}, {9499, 156}, {100, 255},
    };
    for (const auto& c : cases) {
        COLORREF colour = GreetingsColor(c.pos);
        EXPECT_EQ(GetRValue(colour), 0x80) << c.pos;
        EXPECT_EQ(GetGValue(colour), 0x80) << c.pos;
        EXPECT_EQ(GetBValue(colour), c.blue) << c.pos;
    }
}

TEST(Scroller, CellCornersOnTheWave)
{
    // y by hand: sin(1) = 0.8415, sin(2) = 0.9093, sin(4) = -0.7568, sin(0.4488) = 0.4339,
    // sin(3.1415) = 0.0000927, sin(4.1415) = -0.8414; then * 10 + 440, truncated. The last
    // row's sin(1674.2915) = 0.1765 comes from an independent double-precision evaluation.
    struct Case { int index; std::uint32_t pos; int x, y; } cases[] = {
        {0, 0, 639, 440},    {0, 7, 632, 448},    {0, 14, 625, 449},  {0, 28, 611, 432},
        {1, 0, 651, 444},    {7, 0, 723, 440},    {7, 7, 716, 431},
        {707, 9499, -376, 441},   // the last character at the end of a pass
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GreetingX(c.index, c.pos), c.x) << c.index << " @ " << c.pos;
        EXPECT_EQ(GreetingY(c.index, c.pos), c.y) << c.index << " @ " << c.pos;
    }
    // The last cell (12 pixels) is still on screen at 9121 and gone from 9128 on.
    EXPECT_EQ(GreetingX(707, 9121), 2);
    EXPECT_EQ(GreetingX(707, 9128), -5);
}

TEST(Scroller, WaveStaysBetweenRows430And450)
{
    for (std::uint32_t pos = 0; pos <= 9499; pos += 7)
        for (int i = 0; i < 708; ++i) {
            int y = GreetingY(i, pos);
            ASSERT_GE(y, 430) << i << " @ " << pos;
            ASSERT_LE(y, 450) << i << " @ " << pos;
        }
}
