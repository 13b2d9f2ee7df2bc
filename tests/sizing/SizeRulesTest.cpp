#include "core/sizing/PanelLayout.h"
#include "core/sizing/SizeString.h"
#include "core/sizing/TargetSize.h"
#include "core/sizing/TypedSize.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>

namespace {

bool sameDouble(double a, double b) {
    return std::bit_cast<quint64>(a) == std::bit_cast<quint64>(b);
}

const Size landscape{2000, 1000};
const Displays standard{true, true, {1.0}};
const Displays mixed{true, true, {1.0, 2.0}};

} // namespace

TEST(SizeString, WritesWholeNumbersPlainAndFractionsShortest) {
    EXPECT_EQ(stringFromSize({640, -1}), "{640, -1}");
    EXPECT_EQ(stringFromSize({-1, 1080}), "{-1, 1080}");
    EXPECT_EQ(stringFromSize({640, 426.88000000000005}), "{640, 426.88000000000005}");
    EXPECT_EQ(stringFromSize({0.1, 1e-7}), "{0.1, 1e-07}");
    EXPECT_EQ(stringFromSize({1e21, -0.0}), "{1000000000000000000000, -0}");
}

TEST(SizeString, ReadsBackTheSameDoubleForAwkwardAndRandomValues) {
    std::vector<double> values{0.1, 1e-7, 1e21, -0.0, -1, 0, 426.88000000000005, double(0.1f)};
    for (const double limit :
         {std::numeric_limits<double>::max(), std::numeric_limits<double>::min(),
          std::numeric_limits<double>::denorm_min()})
        values.insert(values.end(), {limit, -limit});
    std::mt19937_64 random(20261207);
    while (values.size() < 20000) {
        const double value = std::bit_cast<double>(random());
        if (std::isfinite(value))
            values.push_back(value);
    }
    for (std::size_t i = 0; i + 1 < values.size(); i += 2) {
        const Size size{values[i], values[i + 1]};
        const Size read = sizeFromString(stringFromSize(size));
        ASSERT_TRUE(sameDouble(read.width, size.width) && sameDouble(read.height, size.height))
            << stringFromSize(size).toStdString();
    }
}

TEST(SizeString, ReadsTheFirstTwoNumbersOfAnyText) {
    const struct {
        const char *text;
        Size expected;
    } cases[] = {
        {"{640, -1}", {640, -1}},   {"{800}", {800, 0}},
        {"no digits here", {0, 0}}, {"", {0, 0}},
        {"{1, 2, 3}", {1, 2}},      {"  {  640 ,\t480 } ", {640, 480}},
        {"{640,480}", {640, 480}},  {"w=.5 h=-.25", {0.5, -0.25}},
        {"{+7, 1e3}", {7, 1000}},   {"{1e400, -1e400}", {HUGE_VAL, -HUGE_VAL}},
        {"{1e-400, nan}", {0, 0}},  {"size 12px by 7", {12, 7}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(sizeFromString(QString::fromUtf8(c.text)), c.expected) << c.text;
}

TEST(TargetSize, FollowsTheRequestAndTheImageShape) {
    const struct {
        Size request;
        Size image;
        bool retina;
        Size expected;
    } cases[] = {
        {{500, -1}, landscape, false, {500, 250}},  {{-1, 300}, landscape, false, {600, 300}},
        {{640, 480}, landscape, false, {640, 480}}, {{500, -1}, landscape, true, {250, 125}},
        {{-1, 300}, landscape, true, {300, 150}},   {{640, 480}, landscape, true, {320, 240}},
        {{-1, -1}, landscape, false, {-2, -1}},     {{-1, -1}, landscape, true, {-1, -0.5}},
        {{0, -1}, landscape, false, {0, 0}},        {{-2, 100}, landscape, false, {-2, 100}},
        {{640, 480}, {0, 0}, true, {320, 240}}};
    for (const auto &c : cases) {
        const Size got = targetSize(c.request, c.image, c.retina);
        EXPECT_EQ(got, c.expected)
            << c.request.width << " x " << c.request.height << " retina " << c.retina;
    }
    EXPECT_EQ(targetSize({640, -1}, {1000, 667}, false), (Size{640, 426.88000000000005}));
}

TEST(TargetSize, HighDensityMeansAMainDisplayAndSomeFactorAboveOne) {
    EXPECT_TRUE(isRetina(mixed));
    EXPECT_FALSE(isRetina(standard));
    EXPECT_FALSE(isRetina({true, true, {1.0, 1.0}}));
    EXPECT_TRUE(isRetina({true, true, {1.5}}));
    EXPECT_TRUE(isRetina({true, true, {1.0, NAN, 3.0}}));
    EXPECT_FALSE(isRetina({true, true, {NAN}}));
    EXPECT_FALSE(isRetina({true, true, {}}));
    // Only a factor above 1 in single precision counts.
    EXPECT_FALSE(isRetina({true, true, {1.00000001}}));
    EXPECT_FALSE(isRetina({false, false, {2.0}}));
    EXPECT_FALSE(isRetina({true, false, {2.0}}));
    EXPECT_FALSE(isRetina({}));
}

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

TEST(TypedSize, IsRefusedOnlyWithoutASideOrWhenNoImageCanBeWrittenAtIt) {
    const struct {
        Size typed;
        const char *reason; // how the hint starts; empty when the size is taken
    } cases[] = {
        {{-1, -1}, "Type a width"}, {{640, 480}, ""},
        {{99999, -1}, ""},          {{99999, 99999}, "Too large"},
        {{16384, 16384}, ""},       {{16384, 16385}, "Too large"},
        {{2e7, -1}, "Too large"},   {{-1, 2e7}, "Too large"},
        {{0.4, -1}, "Too small"},   {{0.5, 0.5}, ""},
        {{640, 0.2}, "Too small"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(presetTitle(c.typed).toStdString());
        const QString problem = typedSizeProblem(c.typed);
        EXPECT_TRUE(*c.reason ? problem.startsWith(c.reason) : problem.isEmpty())
            << problem.toStdString();
    }
}
