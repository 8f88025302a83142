#include "window/controller/InformationSections.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vantrel {
namespace {

std::u16string Wide(std::string_view text) {
    return std::u16string(text.begin(), text.end());
}

// Each element as "H:text" or "B:caption=body", with lookups told apart.
std::vector<std::string> Shown(const TInformationTexts& texts, bool newer,
                               std::vector<std::string>* looked = nullptr) {
    const auto translate = [looked](std::string_view english) {
        if (looked)
            looked->emplace_back(english);
        return u"T(" + Wide(english) + u")";
    };
    const auto expand = [](std::string_view english) { return u"X(" + Wide(english) + u")"; };
    std::vector<std::string> shown;
    for (const TInformationElement& e : InformationElements(texts, newer, translate, expand)) {
        const std::string text(e.Text.begin(), e.Text.end());
        shown.push_back(e.Heading ? "H:" + text : "B:" + text + "=" + e.Body);
    }
    return shown;
}

TEST(InformationElements, GroupsAppearOnlyWithTheirTexts) {
    TInformationTexts all;
    all.Promotion = "two for one";
    all.NewVersionDescription = "faster";
    all.NewVersionBugFixes = "no crash";
    all.NewVersionAddons = "calendar";
    all.ProductDescription = "mail in order";
    all.ProductFeatures = "rules";
    TInformationTexts onlyFixes;
    onlyFixes.NewVersionBugFixes = "no crash";
    struct TRow {
        const char* Name;
        TInformationTexts Texts;
        bool Newer;
        std::vector<std::string> Shown;
    };
    const TRow rows[] = {
        {"everything, in order",
         all,
         true,
         {"B:Promotion=two for one", "H:X(What's new in version [PROD_VERSION])",
          "B:T(Description)=faster", "B:T(Bug fix)=no crash", "B:T(Addons)=calendar",
          "H:X(About [PROD_TITLE])", "B:T(Description)=mail in order", "B:T(Features)=rules"}},
        {"not newer leaves out the new version",
         all,
         false,
         {"B:Promotion=two for one", "H:X(About [PROD_TITLE])", "B:T(Description)=mail in order",
          "B:T(Features)=rules"}},
        {"one text gives its heading and one box",
         onlyFixes,
         true,
         {"H:X(What's new in version [PROD_VERSION])", "B:T(Bug fix)=no crash"}},
        {"nothing", TInformationTexts(), true, {}},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(Shown(row.Texts, row.Newer), row.Shown);
    }
}

// A caption that is not shown is not looked up: a dictionary that collects
// its missing texts must not list it.
TEST(InformationElements, OnlyShownCaptionsAreLookedUp) {
    TInformationTexts texts;
    texts.NewVersionAddons = "calendar";
    std::vector<std::string> looked;
    Shown(texts, true, &looked);
    EXPECT_EQ(looked, std::vector<std::string>{"Addons"});
}

}  // namespace
}  // namespace vantrel
