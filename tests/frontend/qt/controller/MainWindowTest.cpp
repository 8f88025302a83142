// The main window's presentations at start, showing and hiding, the tray,
// the modes, the translated texts, the close rules when nothing runs, and the
// installation.
#include <QAbstractItemView>
#include <QSignalSpy>
#include <QTest>

#include "core/UpdateState.h"
#include "frontend/qt/controller/InformationPanel.h"
#include "frontend/qt/controller/ScrollBox.h"
#include "frontend/qt/controls/LabelProgressBar.h"
#include "frontend/qt/controls/SpecialFrame.h"
#include "frontend/qt/dialogs/ClickLabel.h"
#include "tests/frontend/qt/controller/MainWindowFixture.h"

namespace vantrel::test {
namespace {

using MainWindowStates = TMainWindowTest;

TEST_F(MainWindowStates, FormIsFixedAndItsTrayMenuHasTheDefaultItemFirst) {
    TfVantrelMain& w = Create();
    EXPECT_EQ(w.size(), QSize(476, 401));
    EXPECT_EQ(w.minimumSize(), w.maximumSize());
    EXPECT_FALSE(w.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(w.ProgressBar->geometry(), w.lbCommandLabel->geometry().adjusted(-6, -4, 0, 4));
    EXPECT_FALSE(w.imgProductLogo->pixmap().isNull());
    EXPECT_EQ(w.pmTray->defaultAction(), w.miShoWindow);
    ASSERT_EQ(w.pmTray->actions().size(), 3);
    EXPECT_EQ(w.pmTray->actions().at(0), w.miShoWindow);
    EXPECT_TRUE(w.pmTray->actions().at(1)->isSeparator());
    EXPECT_EQ(w.pmTray->actions().at(1)->text(), QString());
    EXPECT_EQ(w.miShoWindow->text(), QStringLiteral("Show Vantrel"));
    EXPECT_EQ(w.TrayIcon->contextMenu(), w.pmTray);
    EXPECT_FALSE(w.TrayIcon->icon().isNull());
    EXPECT_EQ(w.TempDir(), (Home / "cache" / "vantrel").string() + "/");
}

TEST_F(MainWindowStates, ClientSitsInAnEightPixelBorderOfButtonFace) {
    TfVantrelMain& w = Create();
    QWidget* client = w.SpecialFrame1->parentWidget();
    ASSERT_NE(client, &w);
    EXPECT_EQ(client->geometry(), QRect(8, 8, 460, 385));
    const QImage shot = w.grab().toImage();
    const QColor face = ResolveColor(clBtnFace);
    for (const QPoint border : {QPoint(2, 60), QPoint(473, 60), QPoint(230, 3), QPoint(230, 398)})
        EXPECT_EQ(shot.pixelColor(border), face) << border.x() << "," << border.y();
    EXPECT_EQ(shot.pixelColor(8 + 4, 8 + 60), QColor(Qt::white));  // the top card's edge
}

TEST_F(MainWindowStates, StoredLooksOfTheModeListAndTheTranslatorTable) {
    TfVantrelMain& w = Create();
    ASSERT_GT(w.cmbUpdateMode->count(), 0);
    EXPECT_EQ(w.cmbUpdateMode->view()->sizeHintForRow(0), 13);
    ASSERT_EQ(w.Translator->ControlTable().size(), 4u);
    for (const TSFTranslateControlRec& record : w.Translator->ControlTable()) {
        EXPECT_TRUE(record.TranslateCaption) << record.ControlName;
        EXPECT_TRUE(record.TranslateHint) << record.ControlName;
        EXPECT_EQ(record.HintText, "") << record.ControlName;
    }
}

TEST_F(MainWindowStates, UpToDateOffersCloseAndGivesThePanelTheHeader) {
    AvailableProduct.Version = kInstalledVersion;
    UpdateState.Status = StatusDownloaded;  // left over: not touched
    TfVantrelMain& w = Create();
    EXPECT_EQ(w.lbNewVersion->text(), QStringLiteral("Your product is up to date!"));
    EXPECT_EQ(w.TrayHint(), QStringLiteral("Vantrel\r\nOrbisk is up to date."));
    EXPECT_EQ(w.btnHide->text(), QStringLiteral("Close"));
    EXPECT_EQ(w.Controller().btnHideOnClick(), TMainAction::Close);
    EXPECT_EQ(w.SpecialFrame1->height(), 97);
    EXPECT_EQ(w.SpecialFrame2->geometry(), QRect(0, 96, 460, 217));
    EXPECT_EQ(w.ScrollBox->geometry(), QRect(3, 2, 454, 213));
    EXPECT_TRUE(QRect(QPoint(), w.SpecialFrame2->size()).contains(w.ScrollBox->geometry()));
    EXPECT_TRUE(w.btnCommand->isHidden());
    EXPECT_TRUE(w.lbCommandLabel->isHidden());
    EXPECT_TRUE(fTrayPopupWindow.isNull());
    EXPECT_EQ(UpdateState.Status, StatusDownloaded);
    EXPECT_EQ(Notices(), 0u);

    QSignalSpy closed(&w, &TfVantrelMain::Closed);
    QTest::mouseClick(w.btnHide, Qt::LeftButton);
    EXPECT_EQ(closed.count(), 1);
}

TEST_F(MainWindowStates, OfferedStateRaisesThePopupAndPointsEveryCommandAtTheDownload) {
    TfVantrelMain& w = Create();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.lbNewVersion->text(), QStringLiteral("New version: 4.0.0.2"));
    EXPECT_EQ(w.lbCommandLabel->text(),
              QStringLiteral("New version is available to download! Click here to begin"));
    EXPECT_FALSE(w.lbCommandLabel->isHidden());
    EXPECT_EQ(w.Controller().lbCommandLabelOnClick(), TMainAction::Download);
    EXPECT_EQ(w.btnCommand->text(), QStringLiteral("Start download"));
    EXPECT_EQ(w.Controller().btnCommandOnClick(), TMainAction::Download);
    EXPECT_FALSE(w.btnCommand->isHidden());
    EXPECT_TRUE(w.ProgressBar->isHidden());
    EXPECT_EQ(w.TrayHint(),
              QStringLiteral("Vantrel\r\nNew version of Orbisk is available to download!"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Vantrel"));
    ASSERT_FALSE(fTrayPopupWindow.isNull());
    EXPECT_EQ(fTrayPopupWindow->lbPopupCaption->text(),
              QStringLiteral("New version is available!"));
    EXPECT_EQ(fTrayPopupWindow->lbPopupText->text(),
              QStringLiteral("New version of Orbisk is available to download!"));

    // The popup's link is the same command.
    QTest::mouseClick(fTrayPopupWindow->lbGoLabel, Qt::LeftButton);
    EXPECT_EQ(UpdateState.Status, StatusDownloading);
    EXPECT_EQ(UpdateState.DownloadingVersion, kOfferedVersion);
    EXPECT_TRUE(fTrayPopupWindow.isNull());
    EXPECT_EQ(w.btnCommand->text(), QStringLiteral("Pause"));
    ASSERT_TRUE(WaitForStatus(StatusDownloaded));
}

TEST_F(MainWindowStates, HideKeepsTheProgramAndEveryWakeShowsTheWindow) {
    TfVantrelMain& w = Create();
    QSignalSpy closed(&w, &TfVantrelMain::Closed);
    const auto hideAgain = [&] {
        QTest::mouseClick(w.btnHide, Qt::LeftButton);
        EXPECT_FALSE(w.isVisible());
    };
    w.WMShowMainWindow();
    EXPECT_TRUE(w.isVisible());
    hideAgain();
    w.miShoWindow->trigger();
    EXPECT_TRUE(w.isVisible());
    hideAgain();
    emit w.TrayIcon->activated(QSystemTrayIcon::Trigger);  // a single click is not a wake
    EXPECT_FALSE(w.isVisible());
    emit w.TrayIcon->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(w.isVisible());
    hideAgain();
    ASSERT_FALSE(fTrayPopupWindow.isNull());
    QTest::mouseDClick(fTrayPopupWindow->lbPopupText, Qt::LeftButton);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(closed.count(), 0);
    EXPECT_EQ(UpdateState.Status, StatusNone);
}

// Without a tray nothing else leads back to the offer: the window waits in
// the taskbar, and its title says what the hint would.
TEST_F(MainWindowStates, WithoutATrayTheClosedPopupAndHideLeaveTheWindowInTheTaskbar) {
    SetTrayAvailableOverride(false);
    TfVantrelMain& w = Create();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.windowTitle(),
              QStringLiteral("Vantrel - New version of Orbisk is available to download!"));
    ASSERT_FALSE(fTrayPopupWindow.isNull());
    QTest::mouseClick(fTrayPopupWindow->imgClose, Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([&] { return w.isVisible(); }));
    EXPECT_TRUE(w.isMinimized());

    w.Controller().ShowMainWindow();
    EXPECT_FALSE(w.isMinimized());
    QTest::mouseClick(w.btnHide, Qt::LeftButton);
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.isMinimized());
}

TEST_F(MainWindowStates, QuitWhileNothingRunsClosesAtOnce) {
    TfVantrelMain& w = Create();
    QSignalSpy closed(&w, &TfVantrelMain::Closed);
    w.miTrayQuit->trigger();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(UpdateState.Status, StatusNone);
}

TEST_F(MainWindowStates, ModeListSelectsTheStoredModeAndTakesTheChoice) {
    TfVantrelMain& w = Create();
    ASSERT_EQ(w.cmbUpdateMode->count(), 4);
    EXPECT_EQ(w.cmbUpdateMode->itemText(0), QStringLiteral("Never"));
    EXPECT_EQ(w.cmbUpdateMode->itemText(3), QStringLiteral("Monthly"));
    EXPECT_EQ(w.cmbUpdateMode->currentIndex(), ModeWeekly);
    QTest::keyClick(w.cmbUpdateMode, Qt::Key_Down);
    EXPECT_EQ(UpdateState.Mode, ModeMonthly);
    // Choosing is not saving: the store learns the mode when the program ends.
    EXPECT_EQ(SavedState().Mode, ModeNever);
}

TEST_F(MainWindowStates, DamagedModeSelectsNothingAndStaysUntilChosen) {
    UpdateState.Mode = 7;
    TfVantrelMain& w = Create();
    EXPECT_EQ(w.cmbUpdateMode->currentIndex(), -1);
    EXPECT_EQ(UpdateState.Mode, 7);
    w.cmbUpdateMode->setCurrentIndex(1);  // a program change is not a choice
    EXPECT_EQ(UpdateState.Mode, 7);
    QTest::keyClick(w.cmbUpdateMode, Qt::Key_Up);
    EXPECT_EQ(UpdateState.Mode, ModeNever);
}

TEST_F(MainWindowStates, DictionaryTranslatesTheStoredTableAndTheStateTexts) {
    WriteFile(Home / "translation.dat",
              std::string(GermanDictionary({
                                               {"Vantrel", QStringLiteral("Vantrel DE")},
                                               {"Hide", QStringLiteral("Verbergen")},
                                               {"Check for update", QStringLiteral("Suchen")},
                                               {"Copy text", QStringLiteral("Kopieren")},
                                               {"Quit", QStringLiteral("Beenden")},
                                               {"Show", QStringLiteral("Zeigen")},
                                               {"Never", QStringLiteral("Nie")},
                                               {"Start download", QStringLiteral("Laden")},
                                           })
                              .toStdString()));
    Language = u"German";
    TfVantrelMain& w = Create();
    // The form's caption until the first state change.
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Vantrel DE"));
    EXPECT_EQ(w.Label2->text(), QStringLiteral("Suchen"));
    EXPECT_EQ(w.Label2->size(), w.Label2->sizeHint());  // sized to its translation
    EXPECT_EQ(w.btnHide->text(), QStringLiteral("Verbergen"));
    EXPECT_EQ(w.miCopyText->text(), QStringLiteral("Kopieren"));
    EXPECT_EQ(w.miTrayQuit->text(), QStringLiteral("Beenden"));
    EXPECT_EQ(w.miShoWindow->text(), QStringLiteral("Zeigen Vantrel DE"));
    EXPECT_EQ(w.cmbUpdateMode->itemText(0), QStringLiteral("Nie"));
    EXPECT_EQ(w.btnCommand->text(), QStringLiteral("Laden"));
    // Texts the dictionary lacks stay English.
    EXPECT_EQ(w.cmbUpdateMode->itemText(1), QStringLiteral("Daily"));
}

TEST_F(MainWindowStates, ServerTextsAreShownLiterally) {
    ProjectInfo.ProductTitle = "<b>Orbisk</b> & <a href='x'>Co</a>";
    TfVantrelMain& w = Create();
    for (QLabel* label : {w.lbProductTitle, w.lbCurrentProductVersion, w.lbNewVersion,
                          static_cast<QLabel*>(w.lbCommandLabel), w.Label2}) {
        SCOPED_TRACE(label->objectName().toStdString());
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
    }
    EXPECT_EQ(w.lbProductTitle->text(), QString::fromStdString(ProjectInfo.ProductTitle));
    EXPECT_TRUE(w.TrayHint().contains(QStringLiteral("<b>Orbisk</b>")));
    EXPECT_FALSE(w.TrayIcon->toolTip().contains(QStringLiteral("<b>")));
    EXPECT_TRUE(w.TrayIcon->toolTip().contains(QStringLiteral("&lt;b&gt;Orbisk")));
}

TEST_F(MainWindowStates, GlobeOpensOnlyAWebSite) {
    ProjectInfo.WebSiteURL = "https://example.org/orbisk";
    TfVantrelMain& w = Create();
    EXPECT_FALSE(w.imgWebSite->isHidden());
    EXPECT_TRUE(w.imgWebSite->toolTip().contains(QStringLiteral("https://example.org/orbisk")));
    QTest::mouseClick(w.imgWebSite, Qt::LeftButton);
    ASSERT_EQ(Opened.size(), 1u);
    EXPECT_EQ(Opened[0], QUrl(QStringLiteral("https://example.org/orbisk")));

    Window.reset();
    ProjectInfo.WebSiteURL = "file:///etc/passwd";
    TfVantrelMain& other = Create();
    EXPECT_TRUE(other.imgWebSite->isHidden());
    other.imgWebSiteClick();
    EXPECT_EQ(Opened.size(), 1u);
}

// ---- The installation -------------------------------------------------------

TEST_F(MainWindowStates, InstallationReplacesAnOldFinalFileOpensItAndEnds) {
    UpdateState.Status = StatusDownloaded;
    WriteFile(Partial(), std::string("the new package"));
    WriteFile(Final(), std::string("an old package"));
    TfVantrelMain& w = Create();
    QSignalSpy closed(&w, &TfVantrelMain::Closed);
    QTest::mouseClick(w.btnCommand, Qt::LeftButton);
    ASSERT_EQ(Opened.size(), 1u);
    EXPECT_EQ(Opened[0], QUrl::fromLocalFile(QString::fromStdString(Final().string())));
    EXPECT_EQ(ReadFileText(Final()), "the new package");
    EXPECT_FALSE(std::filesystem::exists(Partial()));
    EXPECT_EQ(UpdateState.Status, StatusNone);
    EXPECT_EQ(closed.count(), 1);
    EXPECT_TRUE(fTrayPopupWindow.isNull());
}

}  // namespace
}  // namespace vantrel::test
