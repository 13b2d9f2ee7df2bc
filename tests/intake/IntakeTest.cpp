#include "core/files/FilePaths.h"
#include "core/intake/FolderNames.h"
#include "core/platform/MainQueue.h"
#include "core/platform/OperationQueue.h"
#include "desktop/app/ZAVWelcomeWindowController.h"
#include "desktop/sizing/ZAVButton.h"
#include "desktop/sizing/ZAVSizePickerView.h"
#include "desktop/sizing/ZAVSizePickerWindow.h"
#include "desktop/sizing/ZAVSizePickerWindowController.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <future>
#include <unistd.h>

#include "DelegateFixture.h"

namespace {

class Intake : public DelegateTest {
protected:
    Intake()
        : DelegateTest(true) { // a first launch: the welcome window shows
        platform.shown.clear();
    }

    QStringList registered() {
        const std::shared_ptr<Job> job = delegate.globalTasks.find(today());
        return job ? job->sources : QStringList();
    }
    // Nothing was taken in: no day folder, no job.
    bool untouched() const { return !QFileInfo::exists(today()) && delegate.globalTasks.isEmpty(); }
    bool welcomeVisible() const { return delegate.welcomeWindowController->window()->isVisible(); }
    bool pickerVisible() const {
        return delegate.sizeWindowController && delegate.sizeWindowController->isVisible();
    }
    // Answers the next file dialog with `select` (relative to the input folder), or cancels it.
    void answerFileDialog(const QStringList &select) {
        QTimer::singleShot(0, [this, select] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            dialogTitle = dialog->windowTitle();
            acceptLabel = dialog->labelText(QFileDialog::Accept);
            if (select.isEmpty()) {
                dialog->reject();
                return;
            }
            dialog->setDirectory(in(""));
            QStringList quoted;
            for (const QString &name : select)
                quoted << '"' + name + '"';
            QLineEdit *names = dialog->findChild<QLineEdit *>("fileNameEdit");
            names->setText(quoted.join(' '));
            QTest::keyClick(names, Qt::Key_Return);
        });
    }

    // Types a width in the open picker and lets its batch run to the end.
    void typeWidth(const QString &width) {
        delegate.sizeWindowController->widthField()->setText(width);
        delegate.sizeWindowController->resize();
        delegate.waitForHandOffs();
        settle();
        platform.mainQueue().drain();
    }

    QString dialogTitle;
    QString acceptLabel;
};

QDateTime local(int year, int month, int day, int hour, int minute, int second) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second));
}

class OutputFolders : public DelegateTest {
protected:
    QString dated(const QString &name) const { return home.productFolder() + '/' + name; }
};

} // namespace

TEST_F(Intake, CollectsImagesAtAnyDepthByTheirExtensionInAnyCase) {
    const QStringList images{write("drop/photo.JPG"),
                             write("drop/a/scan.TIFF"),
                             write("drop/a/b/c/a.Gif"),
                             write("drop/album.png/inside.jpeg"),
                             write("drop/with space 'quote' \"d\".png"),
                             write("drop/new\nline.tif")};
    write("drop/notes.txt");
    write("drop/archive.png.zip");
    write("drop/noextension");
    write("drop/.hidden.png");
    write("drop/.cache/thumb.png");
    QDir().mkpath(in("drop/empty.jpg"));
    ASSERT_EQ(::symlink(in("drop").toUtf8().constData(), in("drop/a/loop").toUtf8().constData()),
              0);
    // A name whose bytes are not UTF-8 comes back to the same bytes.
    const QString latin1 = decodePath(encodePath(in("drop/")) + "caf\xe9.png");
    ASSERT_GE(::open(encodePath(latin1).constData(), O_WRONLY | O_CREAT, 0644), 0);
    const QString single = write("single.PNG");

    open({in("drop"), single, single, in("missing.png"), in("drop/notes.txt")});

    QStringList expected = images + QStringList{latin1, single, single};
    QStringList got = registered();
    expected.sort();
    got.sort();
    EXPECT_EQ(got, expected);
    // A file given by name is named when it is no image; inside a folder it passes in silence.
    EXPECT_EQ(delegate.skippedSources(), (QStringList{in("missing.png"), in("drop/notes.txt")}));
    EXPECT_FALSE(welcomeVisible());
    EXPECT_TRUE(pickerVisible());
    EXPECT_EQ(delegate.sizeWindowController->key, today());
}

TEST_F(Intake, ADropWithoutImagesSaysSoOnceAndLeavesNoTrace) {
    for (const QStringList &paths :
         {QStringList{write("notes.txt"), in("missing.png")}, QStringList{in("nothing here")}}) {
        SCOPED_TRACE(paths.join(' ').toStdString());
        platform.shown.clear();
        open(paths);
        EXPECT_FALSE(pickerVisible());
        EXPECT_TRUE(untouched());
        EXPECT_EQ(
            platform.shown.filter("alert Failed to resize images | There are no images to resize")
                .size(),
            1)
            << platform.shown.join('\n').toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(home.presetsFile())); // no size was asked
}

TEST_F(Intake, ARefusedRequestChangesNothingAndThePendingJobWritesOnlyItsOwnImages) {
    open({image("first.png"), in("missing.png")});
    delegate.applicationOpenFiles({image("second.png"), in("gone.png")});
    delegate.openImages(); // no dialog either
    platform.mainQueue().drain();
    EXPECT_EQ(platform.shown, failureAlert(busyMessage) + failureAlert(busyMessage));
    EXPECT_EQ(registered(), QStringList{in("first.png")});
    EXPECT_EQ(delegate.skippedSources(), QStringList{in("missing.png")});
    ASSERT_TRUE(pickerVisible());

    // The path that could not be read is the job's own skip, told at its end.
    typeWidth("40");
    EXPECT_EQ(QDir(today()).entryList(QDir::Files), QStringList{"first.tif"});
    EXPECT_EQ(delegate.presets(), QStringList{"{40, -1}"});
    EXPECT_EQ(platform.shown.filter("ended 1 of 2 images resized | 1 skipped").size(), 1);
    EXPECT_EQ(platform.skippedAtEnd,
              (QList<Skip>{{in("missing.png"), "no such file or directory"}}));
}

TEST_F(Intake, ABatchRefusesRequestsUntilItsEndHasRunAndLeavesNoCountBehind) {
    open({image("a.png"), image("b.png")});
    delegate.sizeWindowController->window()->reject(); // Escape: the job is dropped
    EXPECT_TRUE(delegate.isIdle());
    open({image("c.png")});
    EXPECT_EQ(platform.dockTile().badgeLabel(), ""); // no count before a size is chosen
    delegate.sizeWindowController->widthField()->setText("40");
    delegate.sizeWindowController->resize();
    delegate.applicationOpenFiles({image("d.png")}); // while the size is on its way to the job
    delegate.waitForHandOffs();
    delegate.batch->queue().waitUntilAllOperationsAreFinished();
    delegate.applicationOpenFiles({image("e.png")}); // while the end waits on the main queue
    platform.mainQueue().drain();

    EXPECT_EQ(platform.shown.filter(busyMessage).size(), 2);
    // The one total is the batch's own; the refusals may count it down, as any failure does.
    EXPECT_EQ(platform.shown.filter(QRegularExpression("^badge \\d+$")), QStringList{"badge 1"});
    EXPECT_EQ(platform.shown.filter("open ").size(), 1);
    EXPECT_EQ(platform.shown.filter("ended 1 image resized").size(), 1);
    EXPECT_EQ(QDir(today()).entryList(QDir::Files), QStringList{"c.tif"});
    EXPECT_EQ(platform.dockTile().badgeLabel(), "");
    EXPECT_TRUE(delegate.isIdle());
    open({image("f.png")}); // and after it, a request is taken in
    EXPECT_EQ(registered(), QStringList{in("f.png")});
}

TEST_F(Intake, TheOpenDialogTakesImagesOnlyAndCancelChangesNothing) {
    answerFileDialog({});
    delegate.openImages();
    settle();
    EXPECT_EQ(dialogTitle, "Select Images to Resize");
    EXPECT_EQ(acceptLabel, "Select Images to Resize");
    EXPECT_TRUE(welcomeVisible()); // back where the user was, not left without a window
    EXPECT_TRUE(untouched());

    image("one.JPG");
    image("two.png");
    write("notes.txt");
    answerFileDialog({"notes.txt"});
    delegate.openImages();
    settle();
    EXPECT_TRUE(untouched()); // no image: no folder, nothing registered

    answerFileDialog({"one.JPG", "two.png", "notes.txt"});
    delegate.openImages();
    settle();
    QStringList got = registered();
    got.sort();
    EXPECT_EQ(got, (QStringList{in("one.JPG"), in("two.png")}));
    EXPECT_TRUE(pickerVisible());
}

TEST_F(Intake, AFolderDroppedOnTheWelcomeWindowEndsAsFilesByAPresetOrATypedSize) {
    for (const bool typed : {false, true}) {
        platform.shown.clear();
        if (delegate.sizeWindowController)
            delegate.sizeWindowController->close();
        delegate.applicationShouldHandleReopen();
        QWidget *welcome = delegate.welcomeWindowController->window();
        const QString folder = typed ? "typed" : "preset";
        SCOPED_TRACE(folder.toStdString());
        image(folder + "/a.png");
        image(folder + "/deeper/b.jpg");
        if (!typed)
            writePresets({"{40, 30}"});

        // A real drop event on the welcome window.
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(in(folder))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(welcome, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(welcome, &drop);
        settle();
        ASSERT_TRUE(pickerVisible()); // the typed row builds on the copies of the preset row

        if (typed) {
            typeWidth("40");
        } else {
            const QList<ZAVButton *> buttons =
                delegate.sizeWindowController->view()->findChildren<ZAVButton *>();
            ASSERT_EQ(buttons.size(), 1);
            QTest::mouseClick(buttons.first(), Qt::LeftButton);
        }
        delegate.waitForHandOffs();
        settle();
        platform.mainQueue().drain();

        EXPECT_TRUE(QFileInfo::exists(today() + (typed ? "/a (1).tif" : "/a.tif")));
        EXPECT_TRUE(QFileInfo::exists(today() + (typed ? "/b (1).tif" : "/b.tif")));
        EXPECT_EQ(platform.shown.count("open " + today()), 1);
        EXPECT_EQ(platform.shown.count("attention"), 1);
        EXPECT_EQ(platform.shown.mid(platform.shown.size() - 3, 2),
                  (QStringList{"badge cleared", "attention"}));
    }
}

TEST(FolderNames, DayNamesAndFirstLaunchSiblings) {
    EXPECT_EQ(joinPath("/", "c"), "/c");
    EXPECT_TRUE(isDayFolderName("2024-06-01", "yyyy-MM-dd"));
    for (const char *name : {"2024-6-1", "2024-13-01", "holiday", ""})
        EXPECT_FALSE(isDayFolderName(name, "yyyy-MM-dd")) << name;
    EXPECT_EQ(firstLaunchFolderPath("/p/Sardoxa", QDateTime::fromMSecsSinceEpoch(1999)),
              "/p/Sardoxa 1");
    // Before 1970 the seconds are truncated toward zero, not floored.
    EXPECT_EQ(firstLaunchFolderPath("/p/Sardoxa", QDateTime::fromMSecsSinceEpoch(-1500)),
              "/p/Sardoxa -1");
}

TEST_F(OutputFolders, JobsOfOneDayShareItsFolderAndTheLastSecondGoesOnOnlyWhenItExists) {
    platform.setNow(local(2024, 6, 1, 9, 30, 0));
    const QString first = delegate.makeJobFolder();
    platform.setNow(local(2024, 6, 1, 17, 45, 0));
    EXPECT_EQ(first, dated("2024-06-01"));
    EXPECT_EQ(delegate.makeJobFolder(), first);
    EXPECT_TRUE(QFileInfo(first).isDir());

    platform.setNow(local(2018, 12, 31, 23, 59, 59));
    EXPECT_EQ(delegate.makeJobFolder(), dated("2018-12-31"));
    EXPECT_EQ(delegate.makeJobFolder(), dated("2019-01-01"));
    EXPECT_TRUE(QFileInfo(dated("2019-01-01")).isDir());
    platform.setNow(local(2019, 1, 1, 23, 59, 58));
    EXPECT_EQ(delegate.makeJobFolder(), dated("2019-01-01"));
}

TEST_F(OutputFolders, MissingFoldersAreMadeAgainAndAFileInTheWayIsLogged) {
    platform.setNow(local(2024, 6, 1, 12, 0, 0));
    ASSERT_TRUE(QDir(home.productFolder()).removeRecursively());
    EXPECT_EQ(delegate.makeJobFolder(), dated("2024-06-01"));
    EXPECT_TRUE(QFileInfo(dated("2024-06-01")).isDir());
    platform.setPicturesDirectory(home.path() + "/gone/Pictures");
    EXPECT_EQ(delegate.makeJobFolder(), home.path() + "/gone/Pictures/Sardoxa/2024-06-01");
    EXPECT_TRUE(QFileInfo(home.path() + "/gone/Pictures/Sardoxa/2024-06-01").isDir());

    platform.setPicturesDirectory(home.pictures());
    ASSERT_TRUE(QDir(home.productFolder()).removeRecursively());
    QFile blocker(home.productFolder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QString key;
    const std::string log = logOf([&] { key = delegate.makeJobFolder(); });
    EXPECT_EQ(key, dated("2024-06-01"));
    EXPECT_NE(log.find("could not make the folder " + key.toStdString()), std::string::npos) << log;
    EXPECT_NE(log.find("Not a directory"), std::string::npos) << log;
    EXPECT_TRUE(QFileInfo(home.productFolder()).isFile());
}
