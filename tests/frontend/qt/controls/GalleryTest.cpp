#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QStringList>

#include "tests/support/TempDir.h"

namespace vantrel {
namespace {

int RunGallery(const QStringList& arguments) {
    QProcess gallery;
    gallery.start(QString::fromStdString((test::BinDir() / "vantrel-gallery").string()), arguments);
    if (!gallery.waitForFinished(60'000))
        return -1;
    return gallery.exitStatus() == QProcess::NormalExit ? gallery.exitCode() : -1;
}

QImage Load(const test::TempDir& dir, const char* name) {
    return QImage(QString::fromStdString((dir / name).string()));
}

TEST(Gallery, WritesEveryLookAsAPicture) {
    test::TempDir dir;
    const QString out = QString::fromStdString((dir / "looks").string());
    ASSERT_EQ(RunGallery({out}), 0);
    for (const char* name : {"looks/progress-0.png", "looks/progress-42.png",
                             "looks/progress-100.png", "looks/progress-paused.png"})
        EXPECT_EQ(Load(dir, name).size(), QSize(429, 23)) << name;
    EXPECT_EQ(Load(dir, "looks/white-card.png").size(), QSize(460, 133));
    EXPECT_EQ(Load(dir, "looks/logo-frame.png").size(), QSize(70, 71));
    const QImage box = Load(dir, "looks/section-box.png");
    EXPECT_EQ(box.width(), 454);
    EXPECT_GT(box.height(), 40);
    // The looks differ where the progress does.
    EXPECT_NE(Load(dir, "looks/progress-42.png"), Load(dir, "looks/progress-paused.png"));
}

TEST(Gallery, ZoomEnlargesAndBadArgumentsAreRefused) {
    test::TempDir dir;
    ASSERT_EQ(RunGallery({QString::fromStdString(dir.path().string()), "3"}), 0);
    EXPECT_EQ(Load(dir, "logo-frame.png").size(), QSize(210, 213));
    EXPECT_EQ(RunGallery({}), 2);
    EXPECT_EQ(RunGallery({QString::fromStdString(dir.path().string()), "0"}), 2);
    EXPECT_EQ(RunGallery({QString::fromStdString(dir.path().string()), "3x"}), 2);
}

}  // namespace
}  // namespace vantrel
