// What a screen reader finds in the main window and its popup, walking the
// accessibility tree from the window as assistive technology does: the
// offered state (the information panel's boxes, the globe, the logo, the
// popup's link, which starts the download when pressed), the downloading
// bar's value and percentage, and the paused bar's "Paused".
#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <functional>

#include "core/UpdateState.h"
#include "frontend/qt/controls/LabelProgressBar.h"
#include "frontend/qt/controls/TabedLabel.h"
#include "frontend/qt/dialogs/WindowAccessibility.h"
#include "tests/frontend/qt/controller/MainWindowFixture.h"

namespace vantrel::test {
namespace {

// One node as a screen reader reads it.
struct TReadNode {
    QAccessible::Role Role;
    QString Name, Value, Description;
    QStringList Actions;
    QAccessibleInterface* Interface;
};

// Every node below `root` that is not invisible, depth first.
void ReadTree(QAccessibleInterface* node, std::vector<TReadNode>& read) {
    if (node == nullptr || node->state().invisible)
        return;
    const QAccessibleActionInterface* actions = node->actionInterface();
    read.push_back({node->role(), node->text(QAccessible::Name), node->text(QAccessible::Value),
                    node->text(QAccessible::Description),
                    actions ? actions->actionNames() : QStringList(), node});
    for (int i = 0; i < node->childCount(); ++i)
        ReadTree(node->child(i), read);
}

std::vector<TReadNode> ReadWindow(QWidget* window) {
    std::vector<TReadNode> read;
    ReadTree(QAccessible::queryAccessibleInterface(window), read);
    return read;
}

const TReadNode* FindIf(const std::vector<TReadNode>& read,
                        const std::function<bool(const TReadNode&)>& match) {
    const auto found = std::find_if(read.begin(), read.end(), match);
    return found == read.end() ? nullptr : &*found;
}
const TReadNode* Find(const std::vector<TReadNode>& read, QAccessible::Role role,
                      const QString& name) {
    return FindIf(read, [&](const TReadNode& n) { return n.Role == role && n.Name == name; });
}
const TReadNode* FindObject(const std::vector<TReadNode>& read, const QObject* object) {
    return FindIf(read, [&](const TReadNode& n) { return n.Interface->object() == object; });
}

// The percentage the bar shows, rounded half to even as the box does.
QString ExpectedPercent(int position, int max) {
    return QString::number(static_cast<long>(std::nearbyint(100.0 * position / max))) + u'%';
}

class AccessibilityTest : public TMainWindowTest {
protected:
    void SetUp() override {
        TMainWindowTest::SetUp();
        InstallWindowAccessibility();
        ProjectInfo.WebSiteURL = "http://www.orbisk.example/";
        ProjectInfo.NewVersionDescription = "Starts faster.";
        ProjectInfo.ProductDescription = "Keeps your mail in order.";
        ProjectInfo.DownloadURL = Server.URL("/slow");
    }

    TfVantrelMain& CreateShown() {
        TfVantrelMain& w = Create();
        w.show();
        return w;
    }
};

TEST_F(AccessibilityTest, OfferedWindowNamesItsPicturesAndReadsEveryBox) {
    TfVantrelMain& w = CreateShown();
    const std::vector<TReadNode> read = ReadWindow(&w);

    const TReadNode* globe = Find(read, QAccessible::Button, "Visit official web site");
    ASSERT_NE(globe, nullptr);
    EXPECT_TRUE(globe->Actions.contains(QAccessibleActionInterface::pressAction()));
    // Plain words, not the tool tip's markup.
    EXPECT_EQ(globe->Description,
              QStringLiteral("Visit official web site\nhttp://www.orbisk.example/"));
    EXPECT_NE(Find(read, QAccessible::Graphic, "Orbisk"), nullptr);
    // The mode list reads as its current mode, labelled by the caption above.
    const TReadNode* modes = FindObject(read, w.cmbUpdateMode);
    ASSERT_NE(modes, nullptr);
    QStringList labels;
    for (const auto& [label, relation] : modes->Interface->relations(QAccessible::Label))
        labels << label->text(QAccessible::Name);
    EXPECT_EQ(labels, QStringList{QStringLiteral("Check for update")});

    // Each box of the information panel: its caption names it, its text is
    // what it says.
    const QList<TTabedLabel*> boxes = w.findChildren<TTabedLabel*>();
    ASSERT_FALSE(boxes.isEmpty());
    QStringList bodies;
    for (const TTabedLabel* box : boxes) {
        SCOPED_TRACE(box->Caption().toStdString());
        // Two boxes may share a caption ("Description"): found by the widget.
        const TReadNode* node = FindObject(read, box);
        ASSERT_NE(node, nullptr) << "box not reachable from the window";
        EXPECT_EQ(node->Role, QAccessible::StaticText);
        EXPECT_EQ(node->Name, box->Caption());
        EXPECT_EQ(node->Value, box->Text());
        EXPECT_EQ(node->Description, box->Text());
        bodies << node->Value;
    }
    EXPECT_TRUE(bodies.contains(QStringLiteral("Starts faster.")));
    EXPECT_TRUE(bodies.contains(QStringLiteral("Keeps your mail in order.")));
}

TEST_F(AccessibilityTest, NamesAreInTheWindowsLanguage) {
    WriteFile(Home / "translation.dat",
              std::string(GermanDictionary({
                                               {"Visit official web site\r\n%s",
                                                QStringLiteral("Zur Website\r\n%s")},
                                               {"Downloading", QStringLiteral("Herunterladen")},
                                               {"Close", QStringLiteral("Schlie\u00DFen")},
                                           })
                              .toStdString()));
    Language = u"German";
    TfVantrelMain& w = CreateShown();
    EXPECT_NE(Find(ReadWindow(&w), QAccessible::Button, "Zur Website"), nullptr);
    EXPECT_EQ(w.ProgressBar->accessibleName(), QStringLiteral("Herunterladen"));
    ASSERT_NE(fTrayPopupWindow, nullptr);
    EXPECT_NE(
        Find(ReadWindow(fTrayPopupWindow), QAccessible::Button, QStringLiteral("Schlie\u00DFen")),
        nullptr);
}

TEST_F(AccessibilityTest, PopupLinkIsALinkThatStartsTheDownloadWhenPressed) {
    CreateShown();
    ASSERT_NE(fTrayPopupWindow, nullptr);
    const std::vector<TReadNode> read = ReadWindow(fTrayPopupWindow);

    const TReadNode* link = Find(read, QAccessible::Link, "Click here to download");
    ASSERT_NE(link, nullptr);
    EXPECT_NE(Find(read, QAccessible::Button, "Close"), nullptr);
    // The go arrow has no action behind it, so nothing offers to press it.
    const TReadNode* arrow = FindObject(read, fTrayPopupWindow->imgGo);
    ASSERT_NE(arrow, nullptr);
    EXPECT_EQ(arrow->Role, QAccessible::Graphic);
    EXPECT_FALSE(arrow->Actions.contains(QAccessibleActionInterface::pressAction()));

    ASSERT_TRUE(link->Actions.contains(QAccessibleActionInterface::pressAction()));
    link->Interface->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(UpdateState.Status, StatusDownloading);
}

TEST_F(AccessibilityTest, BarReadsItsProgressWhileDownloadingAndPausedWhenPaused) {
    TfVantrelMain& w = CreateShown();
    QTest::mouseClick(w.btnCommand, Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([&] { return w.ProgressBar->Position() > 0; }));

    const struct {
        const char* State;
        bool Pause;
    } steps[] = {{"downloading", false}, {"paused", true}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.State);
        if (step.Pause) {
            QTest::mouseClick(w.btnCommand, Qt::LeftButton);
            ASSERT_TRUE(WaitUntil([&] { return Idle(); }));
        }
        const std::vector<TReadNode> read = ReadWindow(&w);
        const TReadNode* bar = FindObject(read, w.ProgressBar);
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->Role, QAccessible::ProgressBar);
        EXPECT_EQ(bar->Name, QStringLiteral("Downloading"));
        QAccessibleValueInterface* value = bar->Interface->valueInterface();
        ASSERT_NE(value, nullptr);
        const int position = w.ProgressBar->Position();
        EXPECT_EQ(value->currentValue().toInt(), position);
        EXPECT_EQ(value->maximumValue().toInt(), w.ProgressBar->Max());
        EXPECT_EQ(value->maximumValue().toInt(), static_cast<int>(kPackageBytes));
        EXPECT_EQ(bar->Value, step.Pause ? QStringLiteral("Paused")
                                         : ExpectedPercent(position, w.ProgressBar->Max()));
    }
}

}  // namespace
}  // namespace vantrel::test
