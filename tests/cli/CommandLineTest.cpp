#include "core/cli/CommandLine.h"

#include <QDir>

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct SizeCase {
    const char *text;
    std::optional<Size> expected;
};

constexpr double any = wildcard;

} // namespace

TEST(CommandLine, SizeOptionValues) {
    const SizeCase cases[] = {
        {"640x480", Size{640, 480}},
        {"640x*", Size{640, any}},
        {"*x480", Size{any, 480}},
        {"640X480", Size{640, 480}},
        {" 640 x 480 ", Size{640, 480}},
        {"640.5x.5", Size{640.5, 0.5}},
        // Carried at a typed size's single precision.
        {"0.1x*", Size{double(0.1f), any}},
        {"*x*", std::nullopt},
        {"0x480", std::nullopt},
        {"-5x480", std::nullopt},
        {"640", std::nullopt},
        {"640x480x3", std::nullopt},
        {"1e3x5", std::nullopt},
        {"abcxdef", std::nullopt},
        {"x", std::nullopt},
        {"1e50x1", std::nullopt},
        {"999999999999999999999999999999999999999999x1", std::nullopt},       // overflows a float
        {"0.0000000000000000000000000000000000000000000001x1", std::nullopt}, // rounds to 0
    };
    for (const SizeCase &c : cases)
        EXPECT_EQ(parseSizeOption(QString::fromUtf8(c.text)), c.expected) << c.text;
}

TEST(CommandLine, ModesPathsAndUsageErrors) {
    const auto parse = [](QStringList arguments) {
        arguments.prepend(QStringLiteral("sardoxa"));
        return parseCommandLine(arguments);
    };
    using Mode = CommandLine::Mode;

    EXPECT_EQ(parse({}).mode, Mode::Desktop);
    EXPECT_EQ(parse({"--help"}).mode, Mode::Help);
    EXPECT_EQ(parse({"-h"}).mode, Mode::Help);
    EXPECT_EQ(parse({"--version"}).mode, Mode::Version);
    EXPECT_EQ(parse({"--frobnicate"}).mode, Mode::UsageError);
    EXPECT_EQ(parse({"--size"}).mode, Mode::UsageError);
    EXPECT_EQ(parse({"--size", "640x480"}).mode, Mode::UsageError); // nothing to resize
    EXPECT_EQ(parse({"--size", "640x480", "--size", "1x1", "a.jpg"}).mode, Mode::UsageError);

    const CommandLine bad = parse({"--size", "big", "a.jpg"});
    EXPECT_EQ(bad.mode, Mode::UsageError);
    EXPECT_TRUE(bad.message.contains("invalid size 'big'")) << bad.message.toStdString();

    const CommandLine resize = parse({"--size", "640x*", "a.jpg", "", "--", "-odd.png", "/abs"});
    EXPECT_EQ(resize.mode, Mode::Resize);
    EXPECT_EQ(resize.size, (Size{640, any}));
    EXPECT_EQ(resize.paths, (QStringList{QDir::current().absoluteFilePath("a.jpg"),
                                         QDir::current().absoluteFilePath("-odd.png"), "/abs"}));
}
