// The error dialog offscreen, with a real dictionary file beside a fake
// program directory.
#include <gtest/gtest.h>

#include <QFile>
#include <QTest>

#include "core/BuildConfig.h"
#include "core/SourceTexts.h"
#include "core/iProcs.h"
#include "frontend/qt/dialogs/ErrorWin.h"
#include "tests/frontend/qt/dialogs/DialogTestSupport.h"
#include "tests/support/TempDir.h"

namespace vantrel::test {
namespace {

class ErrorDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        FSavedAppDir = AppDir;
        FSavedLanguage = Language;
        AppDir = FDir.path().string() + "/";
        Language = u"German";
        const QByteArray dictionary = GermanDictionary({
            {"Error", QStringLiteral("Fehler")},
            {"Vantrel", QStringLiteral("Vantrel DE")},
            {"Close", QStringLiteral("Schließen")},
            {texts::ViewDownloadsCaption(), QStringLiteral("Downloads ansehen")},
            {"Heading", QStringLiteral("Überschrift")},
            {"Line B", QStringLiteral("Zeile B")},
            {"Line C", QStringLiteral("Zeile C")},
        });
        WriteFile(FDir / "translation.dat", std::string(dictionary.constData(), dictionary.size()));
    }
    void TearDown() override {
        AppDir = FSavedAppDir;
        Language = FSavedLanguage;
    }

    TempDir FDir;
    std::string FSavedAppDir;
    std::u16string FSavedLanguage;
};

// How the text is split and translated is the window core's (ErrorText);
// here the labels show it.
TEST_F(ErrorDialogTest, ShowErrorPutsTheHeadingAndTheTranslatedLinesInTheLabels) {
    TfErrorDlg dialog;
    dialog.ShowError("Heading\r\nLine B\r\nLine C");
    EXPECT_EQ(dialog.lbErrorTitle->text(), QStringLiteral("Heading"));
    EXPECT_EQ(dialog.lbError->text(), QStringLiteral("Zeile B\r\nZeile C"));
}

TEST_F(ErrorDialogTest, TheFormIsTranslatedFromTheDictionaryBesideTheProgram) {
    TfErrorDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Vantrel DE"));
    EXPECT_EQ(dialog.btnClose->text(), QStringLiteral("Schließen"));
    EXPECT_EQ(dialog.lbWWWSite->text(), QStringLiteral("Downloads ansehen"));
    EXPECT_EQ(dialog.Translator->LastError(), "Missing controls: ");
    // The link keeps its size to its translated text.
    EXPECT_EQ(dialog.lbWWWSite->width(),
              QFontMetrics(dialog.lbWWWSite->font())
                  .horizontalAdvance(QStringLiteral("Downloads ansehen")));
    EXPECT_FALSE(dialog.imgProductLogo->pixmap().isNull());
    EXPECT_EQ(dialog.imgProductLogo->pixmap().size(), QSize(64, 64));
    EXPECT_EQ(dialog.imgWebSite->pixmap().size(), QSize(24, 24));
}

TEST_F(ErrorDialogTest, AMissingOrDamagedDictionaryLeavesTheEnglishTexts) {
    for (const std::string& contents : {std::string(), std::string("not a dictionary")}) {
        QFile::remove(QString::fromStdString((FDir / "translation.dat").string()));
        if (!contents.empty())
            WriteFile(FDir / "translation.dat", contents);
        TfErrorDlg dialog;
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Vantrel"));
        EXPECT_EQ(dialog.btnClose->text(), QStringLiteral("Close"));
        EXPECT_EQ(dialog.lbWWWSite->text(), QString::fromStdString(texts::ViewDownloadsCaption()));
        dialog.ShowError("Heading\r\nLine B");
        EXPECT_EQ(dialog.lbError->text(), QStringLiteral("Line B"));
    }
}

// A border of 6 around the 414 by 210 client; the card, the labels and
// "Close" where the client's coordinates put them.
TEST_F(ErrorDialogTest, TheClientSitsInsideABorderOfSix) {
    TfErrorDlg dialog;
    EXPECT_EQ(dialog.size(), QSize(426, 222));
    EXPECT_EQ(dialog.SpecialFrame1->geometry(), QRect(6, 6, 414, 145));
    EXPECT_EQ(dialog.btnClose->geometry(), QRect(6 + 331, 6 + 168, 75, 25));
    EXPECT_EQ(dialog.SpecialFrame1->width() - dialog.lbError->geometry().right() - 1, 17);
}

TEST_F(ErrorDialogTest, ServerTextIsShownAsPlainTextNeverAsMarkup) {
    TfErrorDlg dialog;
    dialog.ShowError("<b>Server</b>\r\n<a href=\"http://x\">click</a><img src=\"/etc/x\">");
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        SCOPED_TRACE(label->objectName().toStdString());
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
    }
    EXPECT_EQ(dialog.lbErrorTitle->text(), QStringLiteral("<b>Server</b>"));
}

TEST_F(ErrorDialogTest, TheLinkOpensTheVendorsDownloadPage) {
    TfErrorDlg dialog;
    std::vector<QUrl> opened;
    dialog.SetShellOpen([&](const QUrl& url) { opened.push_back(url); });
    dialog.show();
    QTest::mouseClick(dialog.lbWWWSite, Qt::LeftButton);
    QTest::mouseClick(dialog.imgWebSite, Qt::LeftButton);  // the globe has no action
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toString(), QString::fromStdString(VendorWebSite() + "/download.php"));
}

TEST_F(ErrorDialogTest, CloseEscapeAndEnterEachCloseTheDialog) {
    const auto closedBy = [](const std::function<void(TfErrorDlg&)>& act) {
        TfErrorDlg dialog;
        dialog.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        dialog.activateWindow();
        act(dialog);
        return !dialog.isVisible();
    };
    EXPECT_TRUE(closedBy([](TfErrorDlg& d) { QTest::mouseClick(d.btnClose, Qt::LeftButton); }));
    EXPECT_TRUE(closedBy([](TfErrorDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); }));
    EXPECT_TRUE(closedBy([](TfErrorDlg& d) { QTest::keyClick(&d, Qt::Key_Return); }));
}

}  // namespace
}  // namespace vantrel::test
