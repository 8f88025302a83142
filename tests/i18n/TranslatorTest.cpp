// The form translator against real widgets on the offscreen platform.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QWidget>

#include <filesystem>
#include <memory>

#include "i18n/SFTranslateComponent.h"
#include "tests/i18n/DictionaryBytes.h"
#include "tests/support/TempDir.h"

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
        const auto path = FDir / "translation.dat";
        test::WriteFile(path, file);
        FRepository = std::make_unique<TSFTranslateRepository>();
        FRepository->SetReturnEnglishIfMissed(true);
        ASSERT_TRUE(FRepository->LoadDictionary(QString::fromStdString(path.string())));
        FRepository->SetCurrentLanguage(QStringLiteral("Deutsch"));

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

    test::TempDir FDir;
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
    FRepository->SetCurrentLanguage(QStringLiteral("English"));
    EXPECT_TRUE(FTranslator.TranslateForm());
    EXPECT_EQ(FButton->text(), QStringLiteral("Hide"));
    EXPECT_EQ(FForm->windowTitle(), QStringLiteral("Vantrel"));
}

TEST_F(TTranslatorTest, MissingControlsAreNamedAndTheOthersStillTranslated) {
    auto table = FTranslator.ControlTable();
    table.insert(table.begin() + 1, Record("lbGone", "Hide"));
    table.push_back(Record("btnAlsoGone", "Quit"));
    FTranslator.SetControlTable(table);
    EXPECT_FALSE(FTranslator.TranslateForm());
    EXPECT_EQ(FTranslator.LastError(), "Missing controls: lbGone ,btnAlsoGone");
    EXPECT_EQ(FLabel->text(), QStringLiteral("Nach Updates suchen"));
    EXPECT_EQ(FQuit->text(), QStringLiteral("Beenden"));
}

TEST_F(TTranslatorTest, NamesMatchWithoutRegardToAsciiCase) {
    FTranslator.SetFormName("FVANTRELMAIN");
    FTranslator.SetControlTable({{"BTNHIDE", "Hide", "Hide the window", true, true}});
    EXPECT_TRUE(FTranslator.TranslateForm());
    EXPECT_EQ(FButton->text(), QStringLiteral("Ausblenden"));
    EXPECT_EQ(FButton->toolTip(), QStringLiteral("Fenster ausblenden"));
}

TEST_F(TTranslatorTest, FlagsChooseWhatIsWrittenAndTheCaptionIsLeftAlone) {
    FTranslator.SetTranslateFormCaption(true);
    FTranslator.SetFormCaption(QStringLiteral("Vantrel"));
    FTranslator.SetTranslateFormCaption(false);
    EXPECT_TRUE(FTranslator.FormCaption().isEmpty());
    FTranslator.SetControlTable({{"btnHide", "Quit", "Hide the window", false, true}});
    EXPECT_TRUE(FTranslator.TranslateForm());
    EXPECT_EQ(FButton->text(), QStringLiteral("Hide"));
    EXPECT_EQ(FButton->toolTip(), QStringLiteral("Fenster ausblenden"));
    EXPECT_EQ(FForm->windowTitle(), QStringLiteral("Vantrel"));
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

TEST_F(TTranslatorTest, WithoutRepositoryNothingHappensAndTheTextsSaySo) {
    int fired = 0;
    FTranslator.SetOnTranslateForm([&](TSFTranslateComponent*, const QString&) { ++fired; });
    EXPECT_EQ(FTranslator.TranslateText("Hide"), QStringLiteral("Ausblenden"));
    FRepository.reset();  // the reference clears itself
    EXPECT_EQ(FTranslator.TranslateRepository(), nullptr);
    EXPECT_FALSE(FTranslator.TranslateForm());
    EXPECT_EQ(FTranslator.LastError(), "Translate Repository is missing.");
    EXPECT_EQ(fired, 0);
    EXPECT_EQ(FTranslator.TranslateText("Hide"), QStringLiteral("Hide"));
    EXPECT_EQ(FTranslator.LastError(), "TranslateRepository is missing.");
    EXPECT_EQ(FButton->text(), QStringLiteral("Hide"));
}

// The main window's stored table, written out by hand.
QByteArray MainWindowTable() {
    test::TDictBytes table;
    auto text = [&](const std::string& value) {
        table.Int32(static_cast<std::int32_t>(value.size())).Raw(value);
    };
    text("fVantrelMain");
    table.Int32(4);
    const std::pair<const char*, const char*> records[] = {{"Label2", "Check for update"},
                                                           {"btnHide", "Hide"},
                                                           {"miCopyText", "Copy text"},
                                                           {"miTrayQuit", "Quit"}};
    for (const auto& [name, caption] : records) {
        text(name);
        table.Byte(1);
        text(caption);
        table.Byte(1);
        text("");
    }
    return QByteArray::fromStdString(table.Bytes());
}

TEST(TranslateComponentsTest, StoredTableReadsAndWritesBackTheSameBytes) {
    TSFTranslateComponent translator;
    std::string error;
    ASSERT_TRUE(translator.ReadTranslateComponents(MainWindowTable(), &error)) << error;
    EXPECT_EQ(translator.FormName(), "fVantrelMain");
    ASSERT_EQ(translator.ControlTable().size(), 4u);
    EXPECT_EQ(translator.ControlTable()[1],
              (TSFTranslateControlRec{"btnHide", "Hide", "", true, true}));
    EXPECT_EQ(translator.WriteTranslateComponents(), MainWindowTable());
}

TEST(TranslateComponentsTest, FlagsAndShortLengthsDecideWhatFollows) {
    test::TDictBytes table;
    table.Int32(2).Raw("fE").Int32(2);
    table.Int32(1).Raw("a").Byte(0).Byte(7).Int32(-5);  // no caption; hint of length < 1
    table.Int32(1).Raw("b").Byte(1).Int32(0).Byte(0);
    TSFTranslateComponent translator;
    ASSERT_TRUE(translator.ReadTranslateComponents(QByteArray::fromStdString(table.Bytes())));
    EXPECT_EQ(translator.ControlTable()[0], (TSFTranslateControlRec{"a", "", "", false, true}));
    EXPECT_EQ(translator.ControlTable()[1], (TSFTranslateControlRec{"b", "", "", true, false}));

    test::TDictBytes none;
    none.Int32(2).Raw("fE").Int32(-3);
    ASSERT_TRUE(translator.ReadTranslateComponents(QByteArray::fromStdString(none.Bytes())));
    EXPECT_TRUE(translator.ControlTable().empty());
}

TEST(TranslateComponentsTest, DamagedTablesAreRefusedWhole) {
    const QByteArray valid = MainWindowTable();
    TSFTranslateComponent translator;
    for (int size = 0; size < valid.size(); ++size) {
        ASSERT_TRUE(translator.ReadTranslateComponents(valid));
        EXPECT_FALSE(translator.ReadTranslateComponents(valid.left(size))) << size;
        EXPECT_TRUE(translator.ControlTable().empty()) << size;
        EXPECT_TRUE(translator.FormName().empty()) << size;
    }
    const std::vector<std::pair<const char*, std::string>> damaged = {
        {"empty form name", test::TDictBytes().Int32(0).Int32(0).Bytes()},
        {"empty control name", test::TDictBytes().Int32(1).Raw("f").Int32(1).Int32(0).Bytes()},
        {"huge count", test::TDictBytes().Int32(1).Raw("f").Int32(0x7FFFFFFF).Bytes()},
        {"huge text", test::TDictBytes()
                          .Int32(1)
                          .Raw("f")
                          .Int32(1)
                          .Int32(1)
                          .Raw("a")
                          .Byte(1)
                          .Int32(0x7FFFFFFF)
                          .Bytes()},
    };
    for (const auto& [what, bytes] : damaged) {
        std::string error;
        EXPECT_FALSE(translator.ReadTranslateComponents(QByteArray::fromStdString(bytes), &error))
            << what;
        EXPECT_FALSE(error.empty()) << what;
    }
    translator.SetFormName("f");
    translator.SetControlTable({{"", "x", "", true, false}});
    EXPECT_THROW(translator.WriteTranslateComponents(), std::invalid_argument);
}

}  // namespace
}  // namespace vantrel
