// Large batches and large folder trees, through the real batch and engine.
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "Fixture.h"
#include "Images.h"

class Load : public BatchTest {};

TEST_F(Load, TenThousandImagesCountDownOnceAndOpenTheFolderOnce) {
    const vips::VImage tiny = Images::verticalStripes(16, 12, {{200, 10, 10}, {10, 10, 200}});
    QStringList paths;
    for (int i = 0; i < 10000; ++i) {
        paths << home.path() + QStringLiteral("/in/%1/%2.png").arg(i / 1000).arg(i);
        if (i % 1000 == 0)
            QDir().mkpath(home.path() + QStringLiteral("/in/%1").arg(i / 1000));
        Images::save(tiny, paths.last());
    }
    const QString key = batch->makeJobFolder();
    runJob(key, paths, "{8, 6}");

    ASSERT_EQ(platform.shown.size(), 10000 + 4);
    EXPECT_EQ(platform.shown.first(), "badge 10000");
    EXPECT_EQ(platform.shown.at(9999), "badge 1/10000");
    EXPECT_EQ(platform.shown.mid(10000),
              (QStringList{"open " + key, "badge cleared", "attention",
                           "ended 10000 images resized | The scaled copies are in the "
                           "output folder."}));
    EXPECT_EQ(QDir(key).entryList(QDir::Files).size(), 10000);
    EXPECT_TRUE(batch->skippedSources().isEmpty());
}

TEST_F(Load, AFolderTreeOfOneHundredThousandEntriesIsCollectedWhole) {
    const QString root = home.path() + "/tree";
    int images = 0;
    for (int folder = 0; folder < 1000; ++folder) {
        const QString path = root + QStringLiteral("/%1/%2").arg(folder % 10).arg(folder);
        QDir().mkpath(path);
        for (int file = 0; file < 99; ++file) {
            const bool image = file % 3 == 0;
            images += image;
            QFile(path + QStringLiteral("/%1.%2").arg(file).arg(image ? "jpg" : "txt"))
                .open(QIODevice::WriteOnly);
        }
    }
    EXPECT_EQ(batch->collectImages({root}).images.size(), images);
}
