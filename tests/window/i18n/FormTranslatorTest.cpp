// The form translator's decisions: which source text goes to which control
// and role, what is reported missing, and the stored table. The controls are
// stand-ins; finding real widgets by name is the Qt front end's test.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "i18n/SFTranslateRepository.h"
#include "tests/i18n/DictionaryBytes.h"
#include "window/i18n/FormTranslator.h"

namespace vantrel {
namespace {

// What a stand-in control offers and what was written into it.
struct TFakeControl {
    bool HasCaption = true;
    bool HasHint = true;
    bool Throws = false;  // setting a text fails, as a control's setter may
    std::map<TTextRole, std::u16string> Texts;
};

class TFakeTexts : public TTranslatableForm {
public:
    TFakeTexts(TFakeControl& control, std::map<std::string, TFakeControl>* children)
        : FControl(control), FChildren(children) {}

    bool HasText(TTextRole role) const override {
        return role == TTextRole::Hint ? FControl.HasHint : FControl.HasCaption;
    }
    void SetText(TTextRole role, const std::u16string& text) override {
        if (FControl.Throws) {
            throw std::runtime_error("setter failed");
        }
        FControl.Texts[role] = text;
    }
    std::unique_ptr<TTranslatableControl> FindControl(const std::string& name) override {
        const auto found = FChildren->find(name);
        if (found == FChildren->end()) {
            return nullptr;
        }
        return std::make_unique<TFakeTexts>(found->second, nullptr);
    }

private:
    TFakeControl& FControl;
    std::map<std::string, TFakeControl>* FChildren;
};

// One form, found by its exact name.
class TFakeForm : public TFormResolver {
public:
    std::unique_ptr<TTranslatableForm> FindForm(const std::string& name) override {
        return name == Name ? std::make_unique<TFakeTexts>(Form, &Controls) : nullptr;
    }

    std::string Name = "fVantrelMain";
    TFakeControl Form;
    std::map<std::string, TFakeControl> Controls;
};

class TFormTranslatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        FRepository = std::make_unique<TSFTranslateRepository>();
        FRepository->SetReturnEnglishIfMissed(true);
        ASSERT_TRUE(FRepository->LoadDictionaryData(test::DictionaryFile(
            {"English", "Deutsch"}, {{"Vantrel", {"Vantrel DE"}},
                                     {"Hide", {"Ausblenden"}},
                                     {"Quit", {"Beenden"}},
                                     {"Hide the window", {"Fenster ausblenden"}}})));
        FRepository->SetCurrentLanguage(u"Deutsch");
        for (const char* name : {"btnHide", "miTrayQuit"}) {
            FForm.Controls[name];
        }
        FTranslator.SetTranslateRepository(FRepository.get());
        FTranslator.SetFormName("fVantrelMain");
        FTranslator.SetControlTable({{"btnHide", "Hide", "Hide the window", true, true},
                                     {"miTrayQuit", "Quit", "", true, false}});
    }

    std::u16string TextOf(const std::string& control, TTextRole role) {
        const auto& texts = FForm.Controls[control].Texts;
        const auto found = texts.find(role);
        return found == texts.end() ? u"(unset)" : found->second;
    }

    std::unique_ptr<TSFTranslateRepository> FRepository;
    TFakeForm FForm;
    TFormTranslator FTranslator;
};

TEST_F(TFormTranslatorTest, EachFlaggedTextGoesToItsRoleAndTheCaptionToTheFormTitle) {
    std::u16string firedLanguage;
    FTranslator.SetOnTranslateForm(
        [&](const std::u16string& language) { firedLanguage = language; });
    FTranslator.SetTranslateFormCaption(true);
    FTranslator.SetFormCaption("Vantrel");
    EXPECT_TRUE(FTranslator.TranslateForm(FForm));
    EXPECT_EQ(FTranslator.LastError(), "Missing controls: ");
    EXPECT_EQ(TextOf("btnHide", TTextRole::Caption), u"Ausblenden");
    EXPECT_EQ(TextOf("btnHide", TTextRole::Hint), u"Fenster ausblenden");
    EXPECT_EQ(TextOf("miTrayQuit", TTextRole::Caption), u"Beenden");
    EXPECT_EQ(TextOf("miTrayQuit", TTextRole::Hint), u"(unset)");  // flag off
    EXPECT_EQ(FForm.Form.Texts[TTextRole::FormTitle], u"Vantrel DE");
    EXPECT_EQ(FForm.Form.Texts.count(TTextRole::Caption), 0u);
    EXPECT_EQ(firedLanguage, u"Deutsch");
}

TEST_F(TFormTranslatorTest, TurningTheFormCaptionOffForgetsItAndLeavesTheTitle) {
    FTranslator.SetTranslateFormCaption(true);
    FTranslator.SetFormCaption("Vantrel");
    FTranslator.SetTranslateFormCaption(false);
    EXPECT_TRUE(FTranslator.FormCaption().empty());
    EXPECT_TRUE(FTranslator.TranslateForm(FForm));
    EXPECT_TRUE(FForm.Form.Texts.empty());
}

TEST_F(TFormTranslatorTest, MissingControlsAreNamedAndTheOthersStillTranslated) {
    auto table = FTranslator.ControlTable();
    table.insert(table.begin() + 1, {"lbGone", "Hide", "", true, false});
    table.push_back({"btnAlsoGone", "Quit", "", true, false});
    FTranslator.SetControlTable(table);
    FForm.Controls["btnHide"].Throws = true;  // one control's failure stops no other
    EXPECT_FALSE(FTranslator.TranslateForm(FForm));
    EXPECT_EQ(FTranslator.LastError(), "Missing controls: lbGone ,btnAlsoGone");
    EXPECT_EQ(TextOf("miTrayQuit", TTextRole::Caption), u"Beenden");
}

TEST_F(TFormTranslatorTest, TextsAControlLacksAreNeitherLookedUpNorCollected) {
    FRepository->Collector().SetEnabled(true);
    FForm.Controls["btnHide"].HasCaption = false;
    FTranslator.SetControlTable({{"btnHide", "Not in the file", "Hide the window", true, true}});
    EXPECT_TRUE(FTranslator.TranslateForm(FForm));
    EXPECT_EQ(TextOf("btnHide", TTextRole::Caption), u"(unset)");
    EXPECT_EQ(TextOf("btnHide", TTextRole::Hint), u"Fenster ausblenden");
    EXPECT_TRUE(FRepository->Collector().Collected().empty());
}

TEST_F(TFormTranslatorTest, FormNotFoundTranslatesNothingButStillFires) {
    int fired = 0;
    FTranslator.SetOnTranslateForm([&](const std::u16string&) { ++fired; });
    FTranslator.SetFormName("fX");
    EXPECT_FALSE(FTranslator.TranslateForm(FForm));
    EXPECT_EQ(FTranslator.LastError(), "Form \"fX\" not found.");
    EXPECT_EQ(TextOf("btnHide", TTextRole::Caption), u"(unset)");
    EXPECT_EQ(fired, 1);
}

TEST_F(TFormTranslatorTest, ADestroyedRepositoryIsNoLongerUsed) {
    int fired = 0;
    FTranslator.SetOnTranslateForm([&](const std::u16string&) { ++fired; });
    EXPECT_EQ(FTranslator.TranslateText("Hide"), u"Ausblenden");
    FRepository.reset();
    EXPECT_EQ(FTranslator.TranslateRepository(), nullptr);
    EXPECT_FALSE(FTranslator.TranslateForm(FForm));
    EXPECT_EQ(FTranslator.LastError(), "Translate Repository is missing.");
    EXPECT_EQ(fired, 0);
    EXPECT_EQ(FTranslator.TranslateText("Hide"), u"Hide");
    EXPECT_EQ(FTranslator.LastError(), "TranslateRepository is missing.");
    EXPECT_EQ(TextOf("btnHide", TTextRole::Caption), u"(unset)");
}

// The main window's stored table, written out by hand.
std::string MainWindowTable() {
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
    return table.Bytes();
}

TEST(FormTableTest, StoredTableReadsAndWritesBackTheSameBytes) {
    TFormTranslator translator;
    std::string error;
    ASSERT_TRUE(translator.ReadTranslateComponents(MainWindowTable(), &error)) << error;
    EXPECT_EQ(translator.FormName(), "fVantrelMain");
    ASSERT_EQ(translator.ControlTable().size(), 4u);
    EXPECT_EQ(translator.ControlTable()[1],
              (TSFTranslateControlRec{"btnHide", "Hide", "", true, true}));
    EXPECT_EQ(translator.WriteTranslateComponents(), MainWindowTable());
}

TEST(FormTableTest, FlagsAndShortLengthsDecideWhatFollows) {
    test::TDictBytes table;
    table.Int32(2).Raw("fE").Int32(2);
    table.Int32(1).Raw("a").Byte(0).Byte(7).Int32(-5);  // no caption; hint of length < 1
    table.Int32(1).Raw("b").Byte(1).Int32(0).Byte(0);
    TFormTable read;
    ASSERT_TRUE(ReadFormTable(table.Bytes(), read));
    EXPECT_EQ(read.Controls[0], (TSFTranslateControlRec{"a", "", "", false, true}));
    EXPECT_EQ(read.Controls[1], (TSFTranslateControlRec{"b", "", "", true, false}));

    test::TDictBytes none;
    none.Int32(2).Raw("fE").Int32(-3);
    ASSERT_TRUE(ReadFormTable(none.Bytes(), read));
    EXPECT_TRUE(read.Controls.empty());
}

TEST(FormTableTest, DamagedTablesAreRefusedWhole) {
    const std::string valid = MainWindowTable();
    TFormTranslator translator;
    for (std::size_t size = 0; size < valid.size(); ++size) {
        ASSERT_TRUE(translator.ReadTranslateComponents(valid));
        EXPECT_FALSE(translator.ReadTranslateComponents(valid.substr(0, size))) << size;
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
        TFormTable read;
        std::string error;
        EXPECT_FALSE(ReadFormTable(bytes, read, &error)) << what;
        EXPECT_FALSE(error.empty()) << what;
    }
    EXPECT_THROW(WriteFormTable({"", {}}), std::invalid_argument);
    EXPECT_THROW(WriteFormTable({"f", {{"", "x", "", true, false}}}), std::invalid_argument);
}

}  // namespace
}  // namespace vantrel
