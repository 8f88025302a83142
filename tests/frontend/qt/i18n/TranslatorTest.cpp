// The form translator's Qt side against real widgets on the offscreen
// platform: the form among the top-level widgets, its controls by object
// name, and the properties texts go into. What the table decides is the
// window core's test (tests/window/i18n).
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QWidget>

#include <memory>

#include "frontend/qt/i18n/FormTranslation.h"
#include "frontend/qt/i18n/SFTranslateComponent.h"
#include "tests/i18n/DictionaryBytes.h"

namespace vantrel {
namespace {

// A small main window with the four controls its table names.
class TTranslatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string file = test::DictionaryFile(
            {"English", "Deutsch"}, {{"Vantrel", {"Vantrel DE"}},
                                     {"Check for update", {"Nach Updates suchen"}},
                                     {"Hide", {"Ausblenden"}},
                                     {"Copy text", {"Text kopieren"}},
                                     {"Quit", {"Beenden"}},
                                     {"Hide the window", {"Fenster ausblenden"}}});
        FRepository = std::make_unique<TSFTranslateRepository>();
        FRepository->SetReturnEnglishIfMissed(true);
        ASSERT_TRUE(FRepository->LoadDictionaryData(file));
        FRepository->SetCurrentLanguage(u"Deutsch");

        FForm = std::make_unique<QWidget>();
        FForm->setObjectName(QStringLiteral("fVantrelMain"));
        FForm->setWindowTitle(QStringLiteral("Vantrel"));
        FLabel = new QLabel(QStringLiteral("Check for update"), FForm.get());
        FLabel->setObjectName(QStringLiteral("Label2"));
        FButton = new QPushButton(QStringLiteral("Hide"), FForm.get());
        FButton->setObjectName(QStringLiteral("btnHide"));
        FButton->setToolTip(QStringLiteral("designed hint"));
        auto* menu = new QMenu(FForm.get());
        FCopy = menu->addAction(QStringLiteral("Copy text"));
        FCopy->setObjectName(QStringLiteral("miCopyText"));
        FQuit = new QAction(QStringLiteral("Quit"), FForm.get());
        FQuit->setObjectName(QStringLiteral("miTrayQuit"));

        FTranslator.SetTranslateRepository(FRepository.get());
        FTranslator.SetFormName("fVantrelMain");
        FTranslator.SetControlTable({Record("Label2", "Check for update"),
                                     Record("btnHide", "Hide"), Record("miCopyText", "Copy text"),
                                     Record("miTrayQuit", "Quit")});
    }

    static TSFTranslateControlRec Record(const char* name, const char* caption) {
        return {name, caption, "", true, true};
    }

    std::unique_ptr<TSFTranslateRepository> FRepository;
    std::unique_ptr<QWidget> FForm;
    QLabel* FLabel = nullptr;
    QPushButton* FButton = nullptr;
    QAction* FCopy = nullptr;
    QAction* FQuit = nullptr;
    TSFTranslateComponent FTranslator;
};

TEST_F(TTranslatorTest, TranslatesEveryControlTheFormAndFiresTheEvent) {
    QString firedLanguage;
    TSFTranslateComponent* firedBy = nullptr;
    FTranslator.SetOnTranslateForm([&](TSFTranslateComponent* sender, const QString& language) {
        firedBy = sender;
        firedLanguage = language;
    });
    FTranslator.SetTranslateFormCaption(true);
    FTranslator.SetFormCaption(QStringLiteral("Vantrel"));

    EXPECT_TRUE(FTranslator.TranslateForm());
    EXPECT_EQ(FTranslator.LastError(), "Missing controls: ");
    EXPECT_EQ(FLabel->text(), QStringLiteral("Nach Updates suchen"));
    EXPECT_EQ(FButton->text(), QStringLiteral("Ausblenden"));
    EXPECT_EQ(FButton->toolTip(), QString());  // the empty hint text translates to empty
    EXPECT_EQ(FCopy->text(), QStringLiteral("Text kopieren"));
    EXPECT_EQ(FQuit->text(), QStringLiteral("Beenden"));
    EXPECT_EQ(FForm->windowTitle(), QStringLiteral("Vantrel DE"));
    EXPECT_EQ(firedBy, &FTranslator);
    EXPECT_EQ(firedLanguage, QStringLiteral("Deutsch"));

    // Each call starts from the English sources again.
    FRepository->SetCurrentLanguage(u"English");
    EXPECT_TRUE(FTranslator.TranslateForm());
    EXPECT_EQ(FButton->text(), QStringLiteral("Hide"));
    EXPECT_EQ(FForm->windowTitle(), QStringLiteral("Vantrel"));
}

TEST_F(TTranslatorTest, NamesMatchWithoutRegardToAsciiCase) {
    FTranslator.SetFormName("FVANTRELMAIN");
    FTranslator.SetControlTable({{"BTNHIDE", "Hide", "Hide the window", true, true}});
    EXPECT_TRUE(FTranslator.TranslateForm());
    EXPECT_EQ(FButton->text(), QStringLiteral("Ausblenden"));
    EXPECT_EQ(FButton->toolTip(), QStringLiteral("Fenster ausblenden"));
}

TEST_F(TTranslatorTest, OwnCaptionAndHintPropertiesComeFirstAndMayBeEightBit) {
    auto* own = new QWidget(FForm.get());
    own->setObjectName(QStringLiteral("SpecialControl"));
    own->setProperty("Caption", QStringLiteral("Hide"));
    own->setProperty("Hint", QByteArray("Hide the window"));
    own->setToolTip(QStringLiteral("untouched"));
    FTranslator.SetControlTable({{"SpecialControl", "Hide", "Hide the window", true, true}});
    EXPECT_TRUE(FTranslator.TranslateForm());
    EXPECT_EQ(own->property("Caption").toString(), QStringLiteral("Ausblenden"));
    EXPECT_EQ(own->property("Hint").toByteArray(), QByteArray("Fenster ausblenden"));
    EXPECT_EQ(own->toolTip(), QStringLiteral("untouched"));
}

TEST_F(TTranslatorTest, FormNotOnScreenTranslatesNothing) {
    FTranslator.SetFormName("fX");
    int fired = 0;
    FTranslator.SetOnTranslateForm([&](TSFTranslateComponent*, const QString&) { ++fired; });
    EXPECT_FALSE(FTranslator.TranslateForm());
    EXPECT_EQ(FTranslator.LastError(), "Form \"fX\" not found.");
    EXPECT_EQ(FLabel->text(), QStringLiteral("Check for update"));
    EXPECT_EQ(fired, 1);
}

// A table may name the form's own translation parts, so they are among what
// the form owns, under the names stored tables know.
TEST_F(TTranslatorTest, FormPartsAreOwnedByTheFormUnderTheirNames) {
    const TFormTranslation parts = MakeFormTranslation(
        FForm.get(), QStringLiteral("Vantrel"), "fVantrelMain",
        {{"Repository", "Hide", "", true, false}, {"btnHide", "Hide", "", true, false}});
    ASSERT_NE(FForm->findChild<QObject*>(QStringLiteral("Repository")), nullptr);
    ASSERT_EQ(FForm->findChild<QObject*>(QStringLiteral("Translator")), parts.Translator);
    ASSERT_TRUE(parts.Repository->LoadDictionaryData(
        test::DictionaryFile({"English", "Deutsch"}, {{"Hide", {"Ausblenden"}}})));
    parts.Repository->SetCurrentLanguage(u"Deutsch");
    EXPECT_TRUE(parts.Translator->TranslateForm());
    EXPECT_EQ(FButton->text(), QStringLiteral("Ausblenden"));
    // Not in this dictionary: the English source stays.
    EXPECT_EQ(FForm->windowTitle(), QStringLiteral("Vantrel"));
}

}  // namespace
}  // namespace vantrel
