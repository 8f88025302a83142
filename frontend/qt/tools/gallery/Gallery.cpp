// vantrel-gallery OUTDIR [ZOOM]: draws each custom control the way the program's
// forms set it up and writes one PNG file per look into OUTDIR, so the looks
// can be checked by eye without starting the program. A ZOOM of 2 to 16
// enlarges every pixel to a square of that size, for checking single pixels.
//
// Runs on any Qt platform; without a display use QT_QPA_PLATFORM=offscreen
// (set by default when no display is present).

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QString>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "frontend/qt/controls/LabelProgressBar.h"
#include "frontend/qt/controls/SpecialFrame.h"
#include "frontend/qt/controls/TabedLabel.h"
#include "frontend/qt/tools/gallery/GalleryForms.h"

namespace {

using namespace vantrel;

QImage Picture(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    widget.render(&image);
    return image;
}

struct TLook {
    const char* FileName;
    std::function<QImage()> Draw;
};

QImage MainWindowBarAt(int position, bool paused) {
    TLabelProgressBar bar;
    gallery::LookOfMainWindowBar(bar);
    if (paused) {
        bar.SetPercentTypeText(TLabelProgressBar::showStatic, QStringLiteral("Paused"));
        bar.SetPercentType(TLabelProgressBar::showStatic);
    }
    bar.SetPosition(position);
    return Picture(bar);
}

QImage SectionBox() {
    // The information panel is white; the box sits on it.
    QWidget panel;
    panel.resize(454, 10);
    TTabedLabel box(&panel);
    box.move(8, 8);
    gallery::LookOfSectionBox(box);
    box.SetCaption(QStringLiteral("What's new in version 4.2"));
    box.SetText(
        QStringLiteral("Faster scanning of large mailboxes and a new rule editor.\n"
                       "Fewer false alarms on signed messages."));
    panel.resize(454, box.height() + 16);
    QImage image(panel.size(), QImage::Format_RGB32);
    image.fill(ResolveColor(clWhite));
    box.render(&image, box.pos());
    return image;
}

QImage WhiteCardWithLogoFrame() {
    TSpecialFrame card;
    gallery::LookOfWhiteCard(card);
    TSpecialFrame logo(&card);
    gallery::LookOfLogoFrame(logo);
    return Picture(card);
}

QImage LogoFrame() {
    TSpecialFrame logo;
    gallery::LookOfLogoFrame(logo);
    logo.move(0, 0);
    return Picture(logo);
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    int zoom = 1;
    if (argc == 3) {
        char* end = nullptr;
        const long value = std::strtol(argv[2], &end, 10);
        zoom = *end == '\0' && value >= 1 && value <= 16 ? static_cast<int>(value) : 0;
    }
    if (argc < 2 || argc > 3 || zoom == 0) {
        std::fprintf(stderr, "usage: vantrel-gallery OUTDIR [ZOOM 1..16]\n");
        return 2;
    }
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(outDir)) {
        std::fprintf(stderr, "vantrel-gallery: cannot create %s\n", argv[1]);
        return 1;
    }
    const std::vector<TLook> looks = {
        {"progress-0.png", [] { return MainWindowBarAt(0, false); }},
        {"progress-42.png", [] { return MainWindowBarAt(42, false); }},
        {"progress-100.png", [] { return MainWindowBarAt(100, false); }},
        {"progress-paused.png", [] { return MainWindowBarAt(42, true); }},
        {"section-box.png", SectionBox},
        {"white-card.png", WhiteCardWithLogoFrame},
        {"logo-frame.png", LogoFrame},
    };
    int failures = 0;
    for (const TLook& look : looks) {
        const QString path = QDir(outDir).filePath(QString::fromLatin1(look.FileName));
        QImage image = look.Draw();
        if (zoom > 1)
            image =
                image.scaled(image.size() * zoom, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        if (image.save(path, "PNG")) {
            std::printf("%s\n", qPrintable(path));
        } else {
            std::fprintf(stderr, "vantrel-gallery: cannot write %s\n", qPrintable(path));
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
