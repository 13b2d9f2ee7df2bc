#include "core/sizing/PanelLayout.h"
#include "core/sizing/TypedSize.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(PanelLayout, HeightsAndButtonFramesByNumberOfPresets) {
    const struct {
        qsizetype presets;
        int height;
    } heights[] = {{0, 140}, {1, 218}, {2, 218},  {3, 282},  {4, 282}, {5, 346},
                   {8, 410}, {9, 474}, {10, 474}, {11, 474}, {50, 474}};
    for (const auto &h : heights)
        EXPECT_EQ(panelHeight(h.presets), h.height) << h.presets;

    const QRect frames[] = {{240, 84, 200, 50},  {20, 84, 200, 50},   {240, 148, 200, 50},
                            {20, 148, 200, 50},  {240, 212, 200, 50}, {20, 212, 200, 50},
                            {240, 276, 200, 50}, {20, 276, 200, 50},  {240, 340, 200, 50},
                            {20, 340, 200, 50},  {240, 0, 200, 50},   {20, 0, 200, 50}};
    for (qsizetype index = 0; index < 12; ++index)
        EXPECT_EQ(presetButtonFrameFromBottom(index), frames[index]) << index;

    // Top-down, in a panel of ten presets: the newest pair at the bottom, the oldest at the top.
    EXPECT_EQ(fromBottom(presetButtonFrameFromBottom(0), 474), QRect(240, 340, 200, 50));
    EXPECT_EQ(fromBottom(presetButtonFrameFromBottom(9), 474), QRect(20, 84, 200, 50));
    EXPECT_EQ(fromBottom(presetButtonFrameFromBottom(0), 218), QRect(240, 84, 200, 50));

    EXPECT_EQ(panelTopKeepingCentre(300, 140, 474), 133);
    EXPECT_EQ(panelTopKeepingCentre(300, 474, 218), 428);
}

TEST(PanelLayout, TitlesRoundHalvesToEven) {
    EXPECT_EQ(presetTitle({640, -1}), "640 x *");
    EXPECT_EQ(presetTitle({-1, 480}), "* x 480");
    EXPECT_EQ(presetTitle({1024, 768}), "1024 x 768");
    EXPECT_EQ(presetTitle({640.6, -1}), "641 x *");
    EXPECT_EQ(presetTitle({-1, -1}), "* x -1");
    EXPECT_EQ(presetTitle({0, 0}), "0 x 0");
    EXPECT_EQ(presetTitle({100.5, 101.5}), "100 x 102");
}

TEST(TypedSize, ReadsLikeAFloatAndKeepsOnlyPositiveFiniteSides) {
    const struct {
        const char *text;
        double side;
    } cases[] = {
        {"640", 640}, {"  640", 640}, {"12.5px", 12.5}, {"100.5", 100.5}, {"100.1", double(100.1f)},
        {"+7", 7},    {".5", 0.5},    {"5.", 5},        {"2e2", 200},     {"2e", 2},
        {"1e50", -1}, {"1e-50", -1},  {"abc", -1},      {"", -1},         {"0", -1},
        {"-5", -1},   {"nan", -1},    {"inf", -1},      {"- 5", -1},      {"\t\n 3,5", 3},
    };
    for (const auto &c : cases)
        EXPECT_EQ(typedSide(QString::fromUtf8(c.text)), c.side) << c.text;
    EXPECT_TRUE(std::isinf(leadingFloat("1e50")));
}
