#include "core/resize/OutputName.h"
#include "core/resize/SourceImage.h"
#include "core/sizing/DrawRect.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(DrawRect, CoversTheCanvasAndSplitsTheOverflowEqually) {
    const struct {
        Size source;
        Size target;
        DrawRect expected;
    } cases[] = {
        {{400, 200}, {100, 100}, {-50, 0, 200, 100}}, {{200, 400}, {100, 100}, {0, -50, 100, 200}},
        {{640, 480}, {640, 480}, {0, 0, 640, 480}},  // equal sizes: drawn as they are
        {{1000, 500}, {200, 100}, {0, 0, 200, 100}}, // same shape: no overflow
        {{3, 3}, {10, 5}, {0, -2.5, 10, 10}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(drawRect(c.source, c.target), c.expected)
            << c.source.width << "x" << c.source.height << " -> " << c.target.width << "x"
            << c.target.height;
}

TEST(DrawRect, PixelPlansRoundTheCanvasAndRefuseWhatCannotBeWritten) {
    QString problem;
    const std::optional<PixelPlan> retina =
        pixelPlan({{320, 213.44000000000003}, 2}, {0, -0.5, 320, 214.5}, &problem);
    ASSERT_TRUE(retina);
    EXPECT_EQ(retina->canvasWidth, 640);
    EXPECT_EQ(retina->canvasHeight, 427);
    EXPECT_EQ(retina->draw, (DrawRect{0, -1, 640, 429}));

    const Canvas degenerate[] = {
        {{0.4, 100}, 1}, {{100, 0}, 1},      {{-2, -1}, 1},
        {{NAN, 100}, 1}, {{INFINITY, 5}, 1}, {{100000, 100000}, 1},
    };
    for (const Canvas &canvas : degenerate) {
        problem.clear();
        EXPECT_FALSE(pixelPlan(canvas, drawRect({100, 100}, canvas.size), &problem))
            << canvas.size.width << "x" << canvas.size.height;
        EXPECT_FALSE(problem.isEmpty());
    }
}

TEST(DrawRect, WithoutEnlargingASmallSourceIsOnlyCroppedToTheCanvasShape) {
    const struct {
        const char *name;
        Canvas canvas;
        int sourceWidth, sourceHeight;
        int canvasWidth, canvasHeight; // in pixels
    } cases[] = {
        {"smaller on both sides", {{640, 480}, 1}, 300, 200, 267, 200},
        {"a wildcard side", {{640, 426.6666666666667}, 1}, 300, 200, 300, 200},
        {"smaller on one side", {{400, 400}, 1}, 500, 200, 200, 200},
        {"a high-density canvas", {{320, 240}, 2}, 300, 200, 267, 200},
        {"larger: scaled down as ever", {{64, 48}, 1}, 3000, 2000, 64, 48},
        {"the same size", {{300, 200}, 1}, 300, 200, 300, 200},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const Size source{double(c.sourceWidth), double(c.sourceHeight)};
        const Canvas canvas = withoutEnlarging(c.canvas, source, c.sourceWidth, c.sourceHeight);
        const std::optional<PixelPlan> plan =
            pixelPlan(canvas, drawRect(source, canvas.size), nullptr);
        ASSERT_TRUE(plan);
        EXPECT_EQ(plan->canvasWidth, c.canvasWidth);
        EXPECT_EQ(plan->canvasHeight, c.canvasHeight);
        // Drawn at its own size, pixel for pixel, where it would have been enlarged.
        const double scale = std::min(1.0, double(c.canvasWidth) / c.sourceWidth);
        if (scale == 1) {
            EXPECT_EQ(plan->draw.width, c.sourceWidth);
            EXPECT_EQ(plan->draw.height, c.sourceHeight);
        }
    }
}

TEST(DrawRect, ShrinkOnLoadLeavesAtLeastAFactorOfTwoForTheFinalReduction) {
    EXPECT_EQ(jpegShrinkFactor(4000, 3000, {0, 0, 640, 480}), 2);
    EXPECT_EQ(jpegShrinkFactor(4000, 3000, {0, 0, 500, 375}), 4);
    EXPECT_EQ(jpegShrinkFactor(4000, 3000, {0, 0, 250, 187.5}), 8);
    EXPECT_EQ(jpegShrinkFactor(20000, 20000, {0, 0, 640, 640}), 8);
    EXPECT_EQ(jpegShrinkFactor(4000, 3000, {0, 0, 1000, 750}), 2);
    EXPECT_EQ(jpegShrinkFactor(4000, 3000, {0, 0, 1001, 750}), 1);
    EXPECT_EQ(jpegShrinkFactor(4000, 3000, {-1000, 0, 6000, 4500}), 1); // enlarged
}

TEST(OutputName, EveryNameSaysItsFormatAndTakenNamesAreNumbered) {
    const struct {
        const char *source;
        qint64 n;
        const char *output;
        FileType type = FileType::tiff;
    } cases[] = {
        {"wide.png", 0, "wide.tif"},
        {"photo.JPG", 0, "photo.tif"},
        {"scan.TIFF", 0, "scan.TIFF"},
        {"square.tif", 0, "square.tif"},
        {"my.photo.gif", 0, "my.photo.tif"},
        {"a (1).png", 0, "a (1).tif"},
        {"wide.jpg", 1, "wide (1).tif"},
        {"scan.TIFF", 2, "scan (2).TIFF"},
        {"README", 3, "README (3).tif"},
        {".png", 1, ".png (1).tif"},
        {"photo.heic", 0, "photo.jpg", FileType::jpeg},
        {"photo.JPEG", 2, "photo (2).JPEG", FileType::jpeg},
        {"photo.tif", 0, "photo.png", FileType::png},
        {"photo.jpg", 1, "photo (1).webp", FileType::webp},
        {"photo.avif", 0, "photo.avif", FileType::avif},
    };
    for (const auto &c : cases)
        EXPECT_EQ(outputFileName(c.source, c.n, c.type), c.output) << c.source << " " << c.n;
    EXPECT_EQ(pathExtension("archive.png.zip"), "zip");
    EXPECT_EQ(pathExtension("photo.JPG"), "JPG");
    EXPECT_EQ(pathExtension("noextension"), "");
    EXPECT_EQ(pathExtension(".hidden"), "");
    // Numbered names still fit the file system's 255 bytes, cut at a character's boundary.
    EXPECT_EQ(outputFileName(QString(250, 'a') + ".png", 12), QString(246, 'a') + " (12).tif");
    EXPECT_EQ(outputFileName(QString(125, QChar(0xe9)) + ".png", 1),
              QString(123, QChar(0xe9)) + " (1).tif");
}

TEST(OutputName, TheFirstFreeIndexTakesFewLooksPastManyTakenNames) {
    for (const qint64 taken : {0, 1, 2, 3, 7, 8, 9, 10000}) {
        int looks = 0;
        const qint64 free = firstFreeIndex([&](qint64 i) {
            ++looks;
            return i < taken;
        });
        EXPECT_EQ(free, taken);
        EXPECT_LE(looks, 2 * 15 + 2) << taken;
    }
}

TEST(NominalSize, HasTheAspectRatioOfTheRecordedResolutionPerAxis) {
    EXPECT_EQ(nominalSize(100, 50, 1.0, 1.0), (Size{100, 50})); // none recorded
    EXPECT_EQ(nominalSize(100, 50, 0, 0), (Size{100, 50}));
    // One resolution for both axes: exactly the pixels' ratio, whatever the dots per inch.
    for (const double dpi : {72.0, 96.012, 200.0, 300.0})
        EXPECT_EQ(nominalSize(3840, 2565, dpi / 25.4, dpi / 25.4), (Size{3840, 2565})) << dpi;
    // 300 × 150 pixels at 300 × 150 dpi are one inch square.
    const Size anisotropic = nominalSize(300, 150, 300 / 25.4, 150 / 25.4);
    EXPECT_DOUBLE_EQ(anisotropic.width / anisotropic.height, 1.0);
}
