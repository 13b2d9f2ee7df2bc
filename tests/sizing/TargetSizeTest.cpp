#include "core/sizing/TargetSize.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const Size landscape{2000, 1000};
const Displays standard{true, true, {1.0}};
const Displays mixed{true, true, {1.0, 2.0}};

} // namespace

TEST(TargetSize, FollowsTheRequestAndTheImageShape) {
    const struct {
        Size request;
        Size image;
        bool retina;
        Size expected;
    } cases[] = {
        {{500, -1}, landscape, false, {500, 250}},
        {{-1, 300}, landscape, false, {600, 300}},
        {{640, 480}, landscape, false, {640, 480}},
        {{500, -1}, landscape, true, {250, 125}},
        {{-1, 300}, landscape, true, {300, 150}},
        {{640, 480}, landscape, true, {320, 240}},
        {{-1, -1}, landscape, false, {-2, -1}},
        {{-1, -1}, landscape, true, {-1, -0.5}},
        {{640, -1}, {1000, 667}, false, {640, 426.88000000000005}},
        {{0, -1}, landscape, false, {0, 0}},
        {{-2, 100}, landscape, false, {-2, 100}},
        {{640, 480}, {0, 0}, true, {320, 240}},
    };
    for (const auto &c : cases) {
        const Size got = targetSize(c.request, c.image, c.retina);
        EXPECT_EQ(got, c.expected)
            << c.request.width << " x " << c.request.height << " retina " << c.retina;
    }
}

TEST(TargetSize, AWildcardOnAnImageThatDidNotLoadIsNotANumber) {
    const Size width = targetSize({640, -1}, {0, 0}, false);
    EXPECT_EQ(width.width, 640);
    EXPECT_TRUE(std::isnan(width.height));
    const Size height = targetSize({-1, 480}, {0, 0}, false);
    EXPECT_TRUE(std::isnan(height.width));
    EXPECT_EQ(height.height, 480);
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
