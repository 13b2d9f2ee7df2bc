#include "core/sizing/SizeString.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>

namespace {

bool sameDouble(double a, double b) {
    return std::bit_cast<quint64>(a) == std::bit_cast<quint64>(b);
}

} // namespace

TEST(SizeString, WritesWholeNumbersPlainAndFractionsShortest) {
    EXPECT_EQ(stringFromSize({640, -1}), "{640, -1}");
    EXPECT_EQ(stringFromSize({-1, 1080}), "{-1, 1080}");
    EXPECT_EQ(stringFromSize({640, 426.88000000000005}), "{640, 426.88000000000005}");
    EXPECT_EQ(stringFromSize({0.1, 1e-7}), "{0.1, 1e-07}");
    EXPECT_EQ(stringFromSize({1e21, -0.0}), "{1000000000000000000000, -0}");
}

TEST(SizeString, ReadsBackTheSameDoubleForAwkwardAndRandomValues) {
    std::vector<double> values{0.1,
                               1e-7,
                               1e21,
                               -0.0,
                               -1,
                               0,
                               426.88000000000005,
                               std::numeric_limits<double>::max(),
                               std::numeric_limits<double>::lowest(),
                               std::numeric_limits<double>::min(),
                               std::numeric_limits<double>::denorm_min(),
                               double(0.1f)};
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
