#include "core/cli/CommandLine.h"
#include "core/files/FilePaths.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cmath>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <utility>

#include "Fixture.h"
#include "Images.h"
#include "NotificationServer.h"
#include "Sardoxa.h"

namespace {

struct SizeCase {
    const char *text;
    Size expected;
};

constexpr double any = wildcard;

using CommandLineRun = HomeTest;
using namespace Qt::StringLiterals;

} // namespace

TEST(CommandLine, SizeOptionValues) {
    const SizeCase cases[] = {
        {"640x480", Size{640, 480}},       {"640x*", Size{640, any}},
        {"*x480", Size{any, 480}},         {"640X480", Size{640, 480}},
        {" 640 x 480 ", Size{640, 480}},   {"640.5x.5", Size{640.5, 0.5}},
        {"0.1x*", Size{double(0.1f), any}} // a typed size's single precision
    };
    for (const SizeCase &c : cases)
        EXPECT_EQ(parseSizeOption(QString::fromUtf8(c.text)), c.expected) << c.text;
    // The last two overflow a float and round to 0.
    for (const char *text : {"*x*", "0x480", "-5x480", "640", "640x480x3", "1e3x5", "abcxdef", "x",
                             "1e50x1", "999999999999999999999999999999999999999999x1",
                             "0.0000000000000000000000000000000000000000000001x1"})
        EXPECT_EQ(parseSizeOption(QString::fromUtf8(text)), std::nullopt) << text;
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
    for (const QStringList &wrong : {QStringList{"--frobnicate"},
                                     {"--size"},
                                     {"--size", "640x480"},
                                     {"--size", "640x480", "--size", "1x1", "a.jpg"},
                                     {"--size", "99999999999x1", "a.jpg"},
                                     {"--size", "1x1", "--null", "a.jpg"},
                                     {"--size", "1x1", "--strip-location", "--keep-location", "a"},
                                     {"--keep-location", "a.jpg"},
                                     {"--notify", "a.jpg"}})
        EXPECT_EQ(parse(wrong).mode, Mode::UsageError) << wrong.join(' ').toStdString();

    const CommandLine bad = parse({"--size", "big", "a.jpg"});
    EXPECT_EQ(bad.mode, Mode::UsageError);
    EXPECT_TRUE(bad.message.contains("invalid size 'big'")) << bad.message.toStdString();

    const CommandLine resize = parse({"--size", "640x*", "a.jpg", "", "--", "-odd.png", "/abs"});
    EXPECT_EQ(resize.mode, Mode::Resize);
    EXPECT_EQ(resize.size, (Size{640, any}));
    EXPECT_EQ(resize.paths, (QStringList{QDir::current().absoluteFilePath("a.jpg"),
                                         QDir::current().absoluteFilePath("-odd.png"), "/abs"}));
}

TEST_F(CommandLineRun, ResizesFilesAndFoldersNamesEverySkipAndExitsWithOneForIt) {
    image("a.png", 120, 80);
    image("deep/er/b.jpg", 120, 80);
    write("deep/notes.txt");
    // A name that holds a line break cannot forge a line of the log, nor one with C1 controls
    // or direction overrides drive the terminal.
    const QString bad = write("bad\nsardoxa: forged.gif");
    write(u"csi\u009b31m\u202egnp.gif"_s);
    const Outcome run = runSardoxa({"--size", "60x*", home.path() + "/in"});

    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_EQ(run.out.trimmed(), today());
    EXPECT_EQ(QDir(today()).entryList(QDir::Files, QDir::Name), (QStringList{"a.tif", "b.tif"}));
    const vips::VImage written = Images::load(today() + "/b.tif");
    EXPECT_EQ(written.width(), 60);
    EXPECT_EQ(written.height(), 40);
    EXPECT_TRUE(run.err.contains("wrote 2 of 4 images")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("csi\\x9b31m\\u{202e}gnp.gif: not a PNG, JPEG, TIFF, GIF, HEIF, "
                                 "AVIF, WebP or JPEG XL image"))
        << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(QChar(0x9b)) || run.err.contains(QChar(0x202e)));
    EXPECT_TRUE(run.err.contains("skipped " + in("bad\\x0asardoxa: forged.gif: not a PNG, JPEG, "
                                                 "TIFF, GIF, HEIF, AVIF, WebP or JPEG XL image")))
        << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("\nsardoxa: forged")) << run.err.toStdString();

    const Outcome nothing = runSardoxa({"--size", "30x30", in("missing.png")});
    EXPECT_EQ(nothing.exitCode, 1);
    EXPECT_TRUE(nothing.err.contains("no images to resize")) << nothing.err.toStdString();

    // Every image skipped: each is named, and no folder is given, as none holds a copy.
    const Outcome unwritten = runSardoxa({"--size", "30x30", bad});
    EXPECT_EQ(unwritten.exitCode, 1);
    EXPECT_EQ(unwritten.out, "");
    EXPECT_TRUE(unwritten.err.contains("forged.gif: not a PNG")) << unwritten.err.toStdString();
    EXPECT_TRUE(unwritten.err.contains("wrote 0 of 1 images")) << unwritten.err.toStdString();
}

TEST_F(CommandLineRun, DebugLinesAreOffUnlessTheLoggingRulesTurnThemOn) {
    const QString photo = image(u"photo\u009b.jpg"_s, 800, 600);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("QT_LOGGING_RULES");
    const Outcome off = runSardoxa({"--size", "100x*", photo}, environment);
    EXPECT_EQ(off.exitCode, 0) << off.err.toStdString();
    EXPECT_FALSE(off.err.contains(QRegularExpression("sardoxa\\.\\w+:"))) << off.err.toStdString();

    environment.insert("QT_LOGGING_RULES", "sardoxa.*.debug=true");
    const Outcome on = runSardoxa({"--size", "100x*", photo}, environment);
    EXPECT_TRUE(on.err.contains("sardoxa.engine: " + in("photo\\x9b.jpg") +
                                ": decoded by libjpeg-turbo to 200x150,"))
        << on.err.toStdString();
    EXPECT_FALSE(on.err.contains(QChar(0x9b)));
}

TEST_F(CommandLineRun, WritesIntoTheOutputFolderAndReportsEveryFileAsJson) {
    image("a.png", 120, 80);
    image("other/a.jpg", 120, 80);
    const QString bad = write(u"bad\u009b\u202e.gif"_s);
    const QString out = home.path() + "/made/for/it";
    const Outcome run = runSardoxa({"--size", "60x*", "--json", "-o", out, home.path() + "/in"});

    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_EQ(QDir(out).entryList(QDir::Files, QDir::Name), (QStringList{"a (1).tif", "a.tif"}));
    EXPECT_FALSE(run.out.contains(QChar(0x9b)) || run.out.contains(QChar(0x202e)));
    QStringList written;
    QJsonObject summary;
    const QStringList lines = run.out.trimmed().split('\n');
    for (const QString &line : lines) {
        const QJsonObject object = QJsonDocument::fromJson(line.toUtf8()).object();
        EXPECT_FALSE(object.isEmpty()) << line.toStdString(); // every line one object
        if (object.contains("output")) {
            written << QFileInfo(object["output"].toString()).fileName();
            EXPECT_EQ(object["width"].toInt(), 60);
            EXPECT_EQ(object["height"].toInt(), 40);
            EXPECT_EQ(object["already_done"], false);
        } else if (object.contains("skipped") && object["skipped"].isString()) {
            EXPECT_EQ(object["source"].toString(), bad);
        } else {
            summary = object;
        }
    }
    written.sort();
    EXPECT_EQ(written, (QStringList{"a (1).tif", "a.tif"}));
    EXPECT_EQ(summary,
              (QJsonObject{{"folder", out}, {"written", 2}, {"skipped", 1}, {"already_done", 0}}));
}

TEST_F(CommandLineRun, PathsThatCannotBeReadAreNamedAndCountedAndTheWalkGoesOnPastThem) {
    image("a/first.png");
    image("z/last.png");
    // A folder whose path is longer than a path may be cannot be opened, even by root.
    QString deep = in("m");
    QDir().mkpath(deep);
    int folder = ::open(encodePath(deep).constData(), O_RDONLY | O_DIRECTORY);
    for (const QByteArray name(250, 'd'); deep.size() < 4096; deep += '/' + name) {
        ASSERT_EQ(::mkdirat(folder, name.constData(), 0755), 0);
        const int below = ::openat(folder, name.constData(), O_RDONLY | O_DIRECTORY);
        ::close(std::exchange(folder, below));
    }
    ::close(folder);
    write("a file");
    ASSERT_TRUE(QFile::link(in("nowhere"), in("dangling.png")));
    ASSERT_TRUE(QFile::link(in("loop.png"), in("loop.png")));
    const QString unreadable[][2] = {{in("missing.png"), "no such file or directory"},
                                     {in("a file/below.png"), "not a directory"},
                                     {in("dangling.png"), "no such file or directory"},
                                     {in("loop.png"), "too many levels of symbolic links"},
                                     {deep, "file name too long"}};
    // The first two are given, the others found in the folder.
    const Outcome run =
        runSardoxa({"--size", "30x*", "--json", in(""), unreadable[0][0], unreadable[1][0]});
    QProcess::execute("rm", {"-rf", in("m")}); // too deep for QTemporaryDir
    EXPECT_EQ(run.exitCode, 1);
    for (const auto &[path, reason] : unreadable) {
        SCOPED_TRACE(path.left(100).toStdString());
        EXPECT_TRUE(run.err.contains("skipped " + path + ": " + reason)) << run.err.toStdString();
    }
    EXPECT_TRUE(run.err.contains("wrote 2 of 7 images")) << run.err.toStdString();
    EXPECT_TRUE(run.out.endsWith(R"("skipped":5,"written":2})"
                                 "\n"))
        << run.out.toStdString();
}

TEST_F(CommandLineRun, AnOutputFolderThatCannotBeMadeIsAUsageErrorAndNothingIsWritten) {
    const QString source = image("a.png");
    writeFile(home.path() + "/a file", {});
    for (const QString &folder : {home.path() + "/a file", home.path() + "/a file/below"}) {
        const Outcome run = runSardoxa({"--size", "60x*", "--output", folder, source});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.contains("cannot use " + folder + " as the output folder"))
            << run.err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(home.pictures()));
    EXPECT_FALSE(QFileInfo::exists(home.path() + "/.config/sardoxa"));
    EXPECT_EQ(runSardoxa({"--quiet", source}).exitCode, 2); // only with --size
    EXPECT_EQ(runSardoxa({"--strip-location", source}).exitCode, 2);
}

TEST_F(CommandLineRun, ProgressIsOneLineOnATerminalAndQuietLeavesOnlySkips) {
    for (int i = 0; i < 6; ++i)
        image(QStringLiteral("%1.png").arg(i));
    write("bad.png");
    // script(1) gives the program a terminal and writes what it showed to stdout.
    const Outcome terminal = runSardoxa(
        {}, {},
        {"script", "-qfec", QStringLiteral("%1 --size 30x* %2/in").arg(SARDOXA_BINARY, home.path()),
         "/dev/null"});
    const QString shown = terminal.out;
    EXPECT_TRUE(shown.contains("\r\033[Ksardoxa: 3 of 7 done, ")) << shown.toStdString();
    EXPECT_TRUE(shown.contains(" images/s, about ")) << shown.toStdString();
    EXPECT_FALSE(shown.contains("images to go")) << shown.toStdString();
    // A skip and the summary each stand on a line of their own; a skip found before the first
    // progress line has none to clear.
    EXPECT_TRUE(shown.contains(
        QRegularExpression("(^|\r\033\\[K)sardoxa: skipped [^\r]*bad.png: [^\r]*\r\n")))
        << shown.toStdString();
    EXPECT_TRUE(
        shown.contains(QRegularExpression("\r\033\\[Ksardoxa: wrote 6 of 7 images to [^\r]*\r\n$")))
        << shown.toStdString();

    const Outcome quiet = runSardoxa({"--size", "30x*", "-q", home.path() + "/in"});
    EXPECT_EQ(quiet.exitCode, 1);
    EXPECT_EQ(quiet.err.count('\n'), 1) << quiet.err.toStdString();
    EXPECT_TRUE(quiet.err.startsWith("sardoxa: skipped ")) << quiet.err.toStdString();
}

TEST_F(CommandLineRun, SizeLastTakesTheLastSizeOrTheNewestPresetOrSaysWhatIsWrongWithThem) {
    const QString source = image("a.png", 120, 80);
    // Written by hand, unlike the program would: any rewriting would show.
    const auto presets = [](const char *first) {
        return QByteArray("<plist version=\"1.0\"><array><string>") + first +
               "</string>\n  <string>{20,20}</string></array></plist>";
    };
    const QString presetsFile = home.presetsFile(), &P = presetsFile;
    const QString lastFile = QFileInfo(presetsFile).path() + "/last-size";
    const struct {
        const char *name;
        QByteArray presets; // none when empty
        char kind;          // of the presets path: f a file, l a link to one, p a FIFO, d a folder
        QByteArray last;    // the last size's file; none when empty
        int exitCode;
        QString said;
        int width; // of the copy; 0 for none
    } cases[] = {
        {"none remembered", {}, 'f', {}, 2, "no size remembered yet: pick one in the Sardoxa", 0},
        {"an older version's newest preset", presets("{ 40 ,-1 }"), 'f', {}, 0, "wrote 1 of 1", 40},
        {"the last size before the presets", presets("{4, -1}"), 'f', "{30, -1}", 0, "wrote 1", 30},
        {"one that writes nothing", presets("{99999, 99999}"), 'f', {}, 2, "99999: Too large", 0},
        {"not a size", presets("{nan, 5}"), 'f', {}, 2, P + ", '{nan, 5}', is not a size", 0},
        {"garbage", "garbage", 'f', {}, 2, P + ": it is not an XML property list of sizes", 0},
        {"huge", presets("{4, -1}") + QByteArray(70000, ' '), 'f', {}, 2, P + ": it is 70095", 0},
        {"a link", presets("{40, -1}"), 'l', {}, 2, P + ": it is a symbolic link", 0},
        {"a FIFO", {}, 'p', {}, 2, P + ": it is a FIFO", 0},
        {"a folder", {}, 'd', {}, 2, P + ": it is a folder", 0},
        {"a last size that is not one", presets("{4, -1}"), 'f', "big", 2, "'big', is not a", 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QDir(home.pictures()).removeRecursively();
        for (const QString &path : {presetsFile, lastFile, home.path() + "/elsewhere"})
            std::filesystem::remove_all(encodePath(path).toStdString());
        const QString stored = c.kind == 'l' ? home.path() + "/elsewhere" : presetsFile;
        if (!c.presets.isEmpty())
            writeFile(stored, c.presets);
        if (c.kind == 'l')
            QFile::link(stored, presetsFile);
        if (c.kind == 'p')
            ::mkfifo(encodePath(presetsFile).constData(), 0600);
        if (c.kind == 'd')
            QDir().mkpath(presetsFile);
        if (!c.last.isEmpty())
            writeFile(lastFile, c.last);
        const Outcome run = runSardoxa({"--size", "last", source});
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_TRUE(run.err.contains(c.said)) << run.err.toStdString();
        if (!c.presets.isEmpty()) {
            QFile file(stored);
            EXPECT_EQ(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(), c.presets);
        }
        if (c.width)
            EXPECT_EQ(Images::load(today() + "/a.tif").width(), c.width);
        else
            EXPECT_FALSE(QFileInfo::exists(home.pictures()));
    }
}

TEST_F(CommandLineRun, TheStoredLocationChoiceHoldsUnlessAnOptionSetsItForTheRun) {
    const QString photo = write("photo.jpg", Images::encoded(Images::noise(60, 40), ".jpg"));
    QProcess::execute(
        "exiftool", {"-q", "-GPSLatitude=48.5", "-GPSLatitudeRef=N", "-overwrite_original", photo});
    const QString preferences = home.path() + "/.config/sardoxa/sardoxa.conf";
    const struct {
        const char *stored;
        const char *option;
        bool located;
    } cases[] = {
        {"false", nullptr, true},
        {"true", nullptr, false},
        {"false", "--strip-location", false},
        {"true", "--strip-location", false},
        {"false", "--keep-location", true},
        {"true", "--keep-location", true},
    };
    int row = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.stored) + " " + (c.option ? c.option : "alone"));
        const QByteArray choice = QByteArray("SXRemoveLocation=") + c.stored;
        writeFile(preferences, "[General]\n" + choice + "\n");
        const QString out = home.path() + QStringLiteral("/out%1").arg(++row);
        QStringList arguments{"--size", "30x*", "-o", out, photo};
        if (c.option)
            arguments << c.option;
        EXPECT_EQ(runSardoxa(arguments).exitCode, 0);
        QProcess exiftool;
        exiftool.start("exiftool", {"-s3", "-GPSLatitude", out + "/photo.tif"});
        exiftool.waitForFinished();
        EXPECT_EQ(!exiftool.readAllStandardOutput().trimmed().isEmpty(), c.located);
        QFile stored(preferences); // the run's own choice is not kept
        EXPECT_TRUE(stored.open(QIODevice::ReadOnly) && stored.readAll().contains(choice));
    }
}

TEST_F(CommandLineRun, FilesFromReadsPathsByLineOrNulFromAFileOrStandardInput) {
    const QString a = image("a.png"), spaced = image("with space.png");
    const QString broken = image("new\nline.png");
    // Bytes that are not UTF-8 name a file as well.
    const QString raw = in(decodePath("raw\xff.png")), rawCopy = decodePath("raw\xff.tif");
    ASSERT_EQ(::rename(encodePath(image("x.png")).constData(), encodePath(raw).constData()), 0);
    // A path listed again is taken once.
    const QByteArray byLine =
        (a + "\n\n" + in("missing.png") + "\n" + spaced + "\n" + a + "\n").toUtf8();
    const QByteArray byNul = encodePath(broken) + '\0' + encodePath(raw);
    const QString lineList = writeFile(in("list"), byLine);
    const QString nulList = writeFile(in("list0"), byNul);
    const QString missing = "skipped " + in("missing.png") + ": no such file or directory";
    const struct {
        const char *name;
        QStringList arguments;
        QByteArray input;
        int exitCode;
        QStringList written;
        QString said;
    } cases[] = {
        {"lines from a file",
         {"--files-from", lineList},
         {},
         1,
         {"a.tif", "with space.tif"},
         missing},
        {"lines from stdin, and a path",
         {"--files-from", "-", broken},
         byLine,
         1,
         {"a.tif", "with space.tif", "new\nline.tif"},
         missing},
        {"NULs from a file",
         {"-0", "--files-from", nulList},
         {},
         0,
         {"new\nline.tif", rawCopy},
         {}},
        {"NULs from stdin",
         {"--null", "--files-from", "-"},
         byNul,
         0,
         {"new\nline.tif", rawCopy},
         {}},
        {"an entry longer than any path, and the rest",
         {"--files-from", "-"},
         QByteArray(1 << 20, 'y') + '\n' + a.toUtf8(),
         1,
         {"a.tif"},
         "skipped " + QString(60, 'y') + QChar(0x2026) +
             ": listed with 1048576 bytes, longer than any path can be"},
        {"a list that cannot be read",
         {"--files-from", in("nowhere")},
         {},
         2,
         {},
         "cannot read the list " + in("nowhere") + ": No such file or directory"},
    };
    int row = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString out = home.path() + QStringLiteral("/out%1").arg(++row);
        const Outcome run =
            runSardoxa(QStringList{"--size", "30x*", "-o", out} + c.arguments, {}, {}, c.input);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(c.said)) << run.err.toStdString();
        std::error_code noFolder;
        // Counted as bytes: Qt's listing passes over names that are not UTF-8.
        EXPECT_EQ(
            std::distance(
                std::filesystem::directory_iterator(encodePath(out).toStdString(), noFolder), {}),
            c.written.size());
        for (const QString &name : c.written)
            EXPECT_TRUE(pathExists(joinPath(out, name))) << name.toStdString();
    }
    // Endless NULs in a list of lines are one entry: its start named, memory flat; and a closed
    // standard input is said as such.
    const struct {
        const char *shell;
        int exitCode;
        const char *said;
    } streams[] = {
        {"head -c 100M /dev/zero | \"$0\" --size 30x* --files-from -", 1,
         "\\x00\\x00…: listed with 104857600 bytes, longer than any path can be"},
        {"exec \"$0\" --size 30x* --files-from - <&-", 2,
         "cannot read the list -: there is no standard input: it was closed"},
    };
    for (const auto &c : streams) {
        SCOPED_TRACE(c.shell);
        const Outcome run = runSardoxa({}, {}, {"sh", "-c", c.shell, SARDOXA_BINARY});
        EXPECT_FALSE(run.crashed);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_TRUE(run.err.contains(c.said)) << run.err.left(500).toStdString();
    }
    // Nor can Qt remove such a name: the home is emptied here.
    for (const auto &entry :
         std::filesystem::directory_iterator(encodePath(home.path()).toStdString()))
        std::filesystem::remove_all(entry);
}

TEST_F(CommandLineRun, NotifyShowsTheEndOfTheBatchAndAUsageErrorAsNotifications) {
    const QString good = image("a.png"), bad = write("bad.png");
    const PrivateSessionBus bus;
    NotificationServer server(bus.address, NotificationServer::AtOnce::Expire);
    ASSERT_TRUE(server.serving());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DBUS_SESSION_BUS_ADDRESS", bus.address);
    // Offscreen: no file manager can come up, and the folder's opening is said on stderr.
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    const QString skipped = " | show-skipped,Show Skipped Images";
    const struct {
        const char *name;
        QStringList arguments;
        int exitCode;
        QString notification;
        bool opened;
    } cases[] = {
        {"nothing remembered",
         {"--size", "last", good},
         2,
         "No image was resized | No size is remembered yet. Open Sardoxa, choose a size for a "
         "few images once, then try again. | ",
         false},
        {"a usage error",
         {"--size", "big", good},
         2,
         "No image was resized | Invalid size 'big': give WIDTHxHEIGHT, each side a positive "
         "number or *, not both *, or last | ",
         false},
        {"written and skipped",
         {"--size", "30x*", good, bad},
         1,
         "1 of 2 images resized | 1 skipped. The scaled copies are in the output folder." + skipped,
         true},
        {"nothing written",
         {"--size", "30x*", bad},
         1,
         "No image was resized | 1 skipped" + skipped,
         false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const qsizetype shown = server.received().size();
        const Outcome run = runSardoxa(c.arguments + QStringList{"--notify"}, environment);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
        EXPECT_EQ(server.received().mid(shown), QStringList{c.notification});
        EXPECT_EQ(run.err.contains("no program could open the folder"), c.opened)
            << run.err.toStdString();
    }
    // Without a session bus, only stderr.
    environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + home.path() + "/no-bus");
    const Outcome alone = runSardoxa({"--size", "30x*", "--notify", good, bad}, environment);
    EXPECT_EQ(alone.exitCode, 1);
    EXPECT_TRUE(alone.err.contains("wrote 1 of 2 images")) << alone.err.toStdString();
}
