#include <gtest/gtest.h>

#include <QtTest/qtestspontaneevent.h>
#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QWheelEvent>

#include <memory>
#include <string>
#include <vector>

#include "frontend/qt/controller/InformationPanel.h"
#include "frontend/qt/controller/ScrollBox.h"
#include "frontend/qt/controller/ShellOpen.h"
#include "frontend/qt/controls/TabedLabel.h"

namespace vantrel {
namespace {

// The panel as the main window holds it: the box at its designed place in a
// shown window, the menu, and FNextTop starting at 8.
struct PanelFixture : ::testing::Test {
    PanelFixture() {
        window.resize(460, 181);
        box = new TScrollBox(&window);
        box->setGeometry(3, 3, 454, 175);
        window.show();
        panel = std::make_unique<TInformationPanel>(box, &menu, nextTop);
    }
    ~PanelFixture() override { menu.close(); }

    // Translation that can be told apart from the English source, and a
    // heading "expansion" that shows which template it was given.
    static std::u16string Translate(std::string_view english) {
        return u"T(" + QString::fromUtf8(english).toStdU16String() + u')';
    }
    static std::u16string TranslateAndExpand(std::string_view english) {
        return u"X(" + QString::fromUtf8(english).toStdU16String() + u')';
    }
    void Fill(const TInformationTexts& texts, bool newer) {
        panel->Fill(InformationElements(texts, newer, Translate, TranslateAndExpand));
    }

    // The panel's elements in the order of creation.
    std::vector<QWidget*> Elements() const {
        std::vector<QWidget*> elements;
        for (QObject* child : box->Content()->children())
            if (auto* widget = qobject_cast<QWidget*>(child))
                elements.push_back(widget);
        return elements;
    }

    QWidget window;
    TScrollBox* box = nullptr;
    QMenu menu;
    int nextTop = 8;
    std::unique_ptr<TInformationPanel> panel;
};

TInformationTexts AllTexts() {
    TInformationTexts texts;
    texts.Promotion = "Two for one";
    texts.NewVersionDescription = "A faster search";
    texts.NewVersionBugFixes = "No more crash on start";
    texts.NewVersionAddons = "Calendar add-on";
    texts.ProductDescription = "Keeps your mail in order, f\xc3\xbcr alle";
    texts.ProductFeatures = "Filters\r\nRules";
    return texts;
}

struct Expected {
    const char* name;
    QString text;  // a box's caption or a heading's text
};

TEST_F(PanelFixture, FullReplyStacksEveryGroupInOrder) {
    Fill(AllTexts(), true);

    const std::vector<Expected> expected = {
        {"tlabel_0_temp", QStringLiteral("Promotion")},
        {"grlabel_0_temp", QStringLiteral("X(What's new in version [PROD_VERSION])")},
        {"tlabel_1_temp", QStringLiteral("T(Description)")},
        {"tlabel_2_temp", QStringLiteral("T(Bug fix)")},
        {"tlabel_3_temp", QStringLiteral("T(Addons)")},
        {"grlabel_1_temp", QStringLiteral("X(About [PROD_TITLE])")},
        {"tlabel_4_temp", QStringLiteral("T(Description)")},
        {"tlabel_5_temp", QStringLiteral("T(Features)")},
    };
    const std::vector<QWidget*> elements = Elements();
    ASSERT_EQ(elements.size(), expected.size());
    int top = 8;
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        QWidget* element = elements[i];
        EXPECT_EQ(element->objectName(), QString::fromLatin1(expected[i].name));
        EXPECT_EQ(element->x(), 8);
        EXPECT_EQ(element->y(), top);
        EXPECT_TRUE(element->isVisibleTo(box));
        if (auto* heading = qobject_cast<QLabel*>(element))
            EXPECT_EQ(heading->text(), expected[i].text);
        else if (auto* section = qobject_cast<TTabedLabel*>(element))
            EXPECT_EQ(section->Caption(), expected[i].text);
        else
            ADD_FAILURE() << "neither a heading nor a box";
        top += element->height() + 16;
    }
    EXPECT_EQ(nextTop, top);

    auto* promotion = qobject_cast<TTabedLabel*>(elements[0]);
    EXPECT_EQ(promotion->Text(), "Two for one");
    EXPECT_EQ(qobject_cast<TTabedLabel*>(elements[3])->Text(), "No more crash on start");
    EXPECT_EQ(qobject_cast<TTabedLabel*>(elements[6])->Text(),
              QStringLiteral("Keeps your mail in order, f\u00fcr alle"));
    EXPECT_EQ(qobject_cast<TTabedLabel*>(elements[7])->Text(), "Filters\r\nRules");

    auto* newVersion = qobject_cast<QLabel*>(elements[1]);
    auto* product = qobject_cast<QLabel*>(elements[5]);
    EXPECT_EQ(newVersion->palette().color(QPalette::WindowText), QColor(62, 113, 249));
    EXPECT_EQ(product->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    EXPECT_TRUE(newVersion->font().bold());
}

TEST_F(PanelFixture, BoxesTakeTheSharedLookAndSizeThemselves) {
    TTabedLabel* section = panel->AddSection(
        QStringLiteral("Features"), std::string(40, 'w') + " " + std::string(300, 'x') + " end");
    EXPECT_EQ(section->width(), 454 - 34);
    EXPECT_TRUE(section->Shadow());
    EXPECT_EQ(section->GradientColor(), 0xDFDFDFu);
    EXPECT_EQ(section->ShadowColor(), clBtnFace);
    EXPECT_TRUE(section->Autosize());
    EXPECT_EQ(section->PopupMenu(), &menu);
    // Measured at its final width: a long text wraps onto several lines.
    EXPECT_EQ(section->height(), section->CalcHeight());
    EXPECT_GT(section->height(), 3 * QFontMetrics(section->TextFont()).height());

    // A narrower panel keeps the margin, and the box is measured at that width.
    box->resize(300, 175);
    std::string words;
    for (int i = 0; i < 60; ++i)
        words += "word ";
    TTabedLabel* narrow = panel->AddSection(QStringLiteral("Features"), words);
    EXPECT_EQ(narrow->width(), 300 - 34);
    EXPECT_EQ(narrow->height(), narrow->CalcHeight());
}

TEST_F(PanelFixture, HeadingHeightMovesTheNextElement) {
    QLabel* heading = panel->AddSectionHeader(QStringLiteral("About Orbisk"), clBlack);
    TTabedLabel* section = panel->AddSection(QStringLiteral("Description"), "text");
    const int headingHeight = QFontMetrics(heading->font()).height();
    EXPECT_EQ(heading->y(), 8);
    EXPECT_EQ(heading->height(), headingHeight);
    EXPECT_EQ(section->y(), 8 + headingHeight + 16);  // 37 for a 13-pixel heading
    EXPECT_EQ(nextTop, section->y() + section->height() + 16);
}

TEST_F(PanelFixture, HeadingsShowMarkupAsText) {
    const QString text = QStringLiteral("About <b>Orbisk</b> &amp; co");
    QLabel* heading = panel->AddSectionHeader(text, clBlack);
    EXPECT_EQ(heading->textFormat(), Qt::PlainText);
    // Rendered as markup, the tags would take no room.
    EXPECT_GE(heading->width(), QFontMetrics(heading->font()).horizontalAdvance(text));
}

TEST_F(PanelFixture, EmptyReplyLeavesThePanelEmpty) {
    Fill(TInformationTexts(), true);
    EXPECT_TRUE(Elements().empty());
    EXPECT_EQ(nextTop, 8);
    EXPECT_FALSE(box->verticalScrollBar()->isVisible());
}

TEST_F(PanelFixture, ContentReachesTenPixelsBelowTheLowestElement) {
    Fill(AllTexts(), true);
    const QWidget* last = Elements().back();
    EXPECT_EQ(box->Content()->height(), last->geometry().bottom() + 1 + 10);
    ASSERT_GT(box->Content()->height(), box->viewport()->height());
    QApplication::processEvents();
    EXPECT_TRUE(box->verticalScrollBar()->isVisible());
    EXPECT_EQ(box->verticalScrollBar()->maximum(),
              box->Content()->height() - box->viewport()->height());
    EXPECT_EQ(box->horizontalScrollBar()->maximum(), 0);
}

TEST_F(PanelFixture, CopyTextPutsCaptionAndTextOnTheClipboard) {
    TTabedLabel* features = panel->AddSection(QStringLiteral("Features"), "Filters\r\nRules");
    QApplication::clipboard()->setText(QStringLiteral("before"));

    // As a right click does it: the box asks for its menu.
    emit features->customContextMenuRequested(QPoint(5, 5));
    EXPECT_EQ(panel->PopupComponent(), features);
    EXPECT_TRUE(menu.isVisible());
    panel->miCopyTextClick();

    const QString copied = QApplication::clipboard()->text();
    EXPECT_EQ(copied, "Features\r\nFilters\r\nRules");
    EXPECT_EQ(copied.split(QStringLiteral("\r\n")), QStringList({"Features", "Filters", "Rules"}));
}

TEST_F(PanelFixture, CopyTextOnAnythingButABoxDoesNothing) {
    QLabel* heading = panel->AddSectionHeader(QStringLiteral("About"), clBlack);
    TTabedLabel* features = panel->AddSection(QStringLiteral("Features"), "x");
    QApplication::clipboard()->setText(QStringLiteral("before"));

    panel->miCopyTextClick();  // the menu was never opened
    EXPECT_EQ(QApplication::clipboard()->text(), "before");

    panel->PopupFor(heading, QPoint(10, 10));
    panel->miCopyTextClick();
    EXPECT_EQ(QApplication::clipboard()->text(), "before");

    panel->PopupFor(features, QPoint(10, 10));
    delete features;
    EXPECT_EQ(panel->PopupComponent(), nullptr);
    panel->miCopyTextClick();
    EXPECT_EQ(QApplication::clipboard()->text(), "before");
}

TEST(ScrollBoxSteps, FollowTheHeight) {
    EXPECT_EQ(ScrollStepsForHeight(175), (TScrollSteps{157, 15}));
    EXPECT_EQ(ScrollStepsForHeight(213), (TScrollSteps{191, 19}));
    EXPECT_EQ(ScrollStepsForHeight(0), (TScrollSteps{0, 0}));

    TScrollBox box;
    box.resize(454, 175);
    box.show();
    EXPECT_EQ(box.LineStep(), 15);
    EXPECT_EQ(box.verticalScrollBar()->singleStep(), 15);
    EXPECT_EQ(box.verticalScrollBar()->pageStep(), 157);
    box.resize(454, 213);
    EXPECT_EQ(box.LineStep(), 19);
    EXPECT_EQ(box.PageStep(), 191);
    // Growing content makes the area recompute its bar; the steps stay.
    auto* tall = new QWidget(box.Content());
    tall->setGeometry(8, 8, 100, 900);
    tall->show();
    EXPECT_EQ(box.Content()->height(), 918);
    EXPECT_EQ(box.verticalScrollBar()->singleStep(), 19);
    EXPECT_EQ(box.verticalScrollBar()->pageStep(), 191);
}

struct WheelFixture : PanelFixture {
    WheelFixture() {
        tall = new QWidget(box->Content());
        tall->setGeometry(8, 8, 100, 1000);
        tall->show();
        QApplication::processEvents();
        bar()->setValue(100);
    }
    QScrollBar* bar() const { return box->verticalScrollBar(); }
    QPoint Inside() const { return box->mapToGlobal(QPoint(50, 50)); }
    // A wheel notification as the window system delivers it, the way QTest
    // delivers mouse clicks: to the element under the pointer, which passes
    // it on to the panel.
    bool SendWheel(int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        // Scrolled by 100, the element's visible part starts 92 pixels down.
        const QPointF local(20, 150);
        QWheelEvent event(local, tall->mapToGlobal(local), QPoint(), QPoint(0, delta), Qt::NoButton,
                          modifiers, Qt::NoScrollPhase, false);
        QSpontaneKeyEvent::setSpontaneous(&event);
        QApplication::instance()->notify(tall, &event);
        return event.isAccepted();
    }
    QWidget* tall = nullptr;
};

TEST_F(WheelFixture, OneLineStepPerNotificationWhateverTheDelta) {
    EXPECT_TRUE(box->ScrollBoxMouseWheel(Qt::NoModifier, Qt::NoButton, -120, Inside()));
    EXPECT_EQ(bar()->value(), 115);
    EXPECT_TRUE(box->ScrollBoxMouseWheel(Qt::NoModifier, Qt::NoButton, -720, Inside()));
    EXPECT_EQ(bar()->value(), 130);
    EXPECT_TRUE(box->ScrollBoxMouseWheel(Qt::NoModifier, Qt::NoButton, 1, Inside()));
    EXPECT_EQ(bar()->value(), 115);
    EXPECT_TRUE(box->ScrollBoxMouseWheel(Qt::NoModifier, Qt::NoButton, 0, Inside()));
    EXPECT_EQ(bar()->value(), 100);

    bar()->setValue(5);
    EXPECT_TRUE(box->ScrollBoxMouseWheel(Qt::NoModifier, Qt::NoButton, 120, Inside()));
    EXPECT_EQ(bar()->value(), 0);
}

TEST_F(WheelFixture, ModifierButtonOrPointerOutsideLeaveItUnhandled) {
    EXPECT_FALSE(box->ScrollBoxMouseWheel(Qt::ControlModifier, Qt::NoButton, -120, Inside()));
    EXPECT_FALSE(box->ScrollBoxMouseWheel(Qt::ShiftModifier, Qt::NoButton, -120, Inside()));
    EXPECT_FALSE(box->ScrollBoxMouseWheel(Qt::NoModifier, Qt::LeftButton, -120, Inside()));
    const QPoint below = box->mapToGlobal(QPoint(50, box->height() + 5));
    const QPoint left = box->mapToGlobal(QPoint(-1, 50));
    EXPECT_FALSE(box->ScrollBoxMouseWheel(Qt::NoModifier, Qt::NoButton, -120, below));
    EXPECT_FALSE(box->ScrollBoxMouseWheel(Qt::NoModifier, Qt::NoButton, -120, left));
    EXPECT_EQ(bar()->value(), 100);
}

TEST_F(WheelFixture, WheelEventsFollowTheRule) {
    EXPECT_TRUE(SendWheel(-120));
    EXPECT_EQ(bar()->value(), 115);
    EXPECT_TRUE(SendWheel(240));
    EXPECT_EQ(bar()->value(), 100);
    // Neither Ctrl nor a notification without a vertical turn moves it, and
    // the bar's own paging does not step in for them.
    EXPECT_FALSE(SendWheel(-120, Qt::ControlModifier));
    EXPECT_FALSE(SendWheel(0));
    EXPECT_EQ(bar()->value(), 100);
}

TEST(ScrollBox, IsWhiteBorderlessAndTakesFocus) {
    TScrollBox box;
    box.resize(454, 175);
    box.show();
    EXPECT_EQ(box.frameShape(), QFrame::NoFrame);
    EXPECT_EQ(box.focusPolicy(), Qt::StrongFocus);
    EXPECT_EQ(box.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(box.viewport()->geometry(), QRect(2, 2, 450, 171));
    EXPECT_EQ(box.viewport()->palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(box.Content()->palette().color(QPalette::Window), QColor(Qt::white));
}

// Records what would have been opened, in place of the desktop.
struct ShellRecorder {
    ShellRecorder() {
        previous = SetShellOpenFunction([this](const QUrl& url) {
            opened.push_back(url);
            return true;
        });
    }
    ~ShellRecorder() { SetShellOpenFunction(previous); }
    TShellOpenFunction previous;
    std::vector<QUrl> opened;
};

TEST(WebSite, WebAddressesAreShownAndOpened) {
    ShellRecorder shell;
    for (const std::string url : {"http://orbisk.example/", "https://orbisk.example/product?id=4",
                                  "HTTPS://Orbisk.example"}) {
        SCOPED_TRACE(url);
        EXPECT_TRUE(ShowsWebSite(url));
        EXPECT_TRUE(OpenURL(url));
    }
    ASSERT_EQ(shell.opened.size(), 3u);
    EXPECT_EQ(shell.opened[1], QUrl(QStringLiteral("https://orbisk.example/product?id=4")));
}

TEST(WebSite, AnythingElseIsHiddenAndNeverOpened) {
    ShellRecorder shell;
    for (const std::string url :
         {"", "file:///usr/bin/xterm", "/usr/bin/xterm", "orbisk.desktop", "javascript:alert(1)",
          "ftp://orbisk.example/", "http://", "smb://host/share"}) {
        SCOPED_TRACE(url);
        EXPECT_FALSE(ShowsWebSite(url));
        EXPECT_FALSE(OpenURL(url));
    }
    EXPECT_TRUE(shell.opened.empty());
}

TEST(WebSite, HintPutsTheAddressOnASecondLine) {
    const QString format = QStringLiteral("Visit official web site\r\n%s");
    EXPECT_EQ(WebSiteHint(format, "https://orbisk.example/"),
              "Visit official web site\r\nhttps://orbisk.example/");
    // The address is a value, never a format: its "%s" and "%%" stay.
    EXPECT_EQ(WebSiteHint(format, "https://x.example/%s%%"),
              "Visit official web site\r\nhttps://x.example/%s%%");
    EXPECT_EQ(WebSiteHint(QStringLiteral("100%% %s"), "a"), "100% a");
    EXPECT_EQ(WebSiteHint(QStringLiteral("no place"), "a"), "no place");
}

TEST(WebSite, ToolTipShowsMarkupLiterally) {
    const QString tip = PlainToolTip(QStringLiteral("Visit\r\nhttps://x.example/<b>&"));
    EXPECT_TRUE(tip.contains(QStringLiteral("Visit<br>https://x.example/&lt;b&gt;&amp;")));
    EXPECT_FALSE(tip.contains(QStringLiteral("<b>")));
}

}  // namespace
}  // namespace vantrel
