#include "window/controller/InformationSections.h"

#include "core/ProjectInfo.h"

namespace vantrel {

TInformationTexts TInformationTexts::From(const TProjectInfo& info) {
    TInformationTexts texts;
    texts.Promotion = info.Promotion;
    texts.NewVersionDescription = info.NewVersionDescription;
    texts.NewVersionBugFixes = info.NewVersionBugFixes;
    texts.NewVersionAddons = info.NewVersionAddons;
    texts.ProductDescription = info.ProductDescription;
    texts.ProductFeatures = info.ProductFeatures;
    return texts;
}

std::vector<TInformationElement> InformationElements(const TInformationTexts& texts,
                                                     bool newVersionOffered,
                                                     const TInformationText& translate,
                                                     const TInformationText& translateAndExpand) {
    std::vector<TInformationElement> elements;
    const auto heading = [&](std::string_view templ, std::uint32_t color) {
        elements.push_back({true, translateAndExpand(templ), {}, color});
    };
    // A caption is looked up only for a box that is shown.
    const auto box = [&](std::string_view caption, const std::string& body) {
        if (!body.empty())
            elements.push_back({false, translate(caption), body, 0});
    };
    // The promotion's caption is the same in every language.
    if (!texts.Promotion.empty())
        elements.push_back({false, u"Promotion", texts.Promotion, 0});

    const bool hasNewVersionText = !texts.NewVersionDescription.empty() ||
                                   !texts.NewVersionBugFixes.empty() ||
                                   !texts.NewVersionAddons.empty();
    if (newVersionOffered && hasNewVersionText) {
        heading("What's new in version [PROD_VERSION]", NewVersionGroupColor);
        box("Description", texts.NewVersionDescription);
        box("Bug fix", texts.NewVersionBugFixes);
        box("Addons", texts.NewVersionAddons);
    }
    if (!texts.ProductDescription.empty() || !texts.ProductFeatures.empty()) {
        heading("About [PROD_TITLE]", ProductGroupColor);
        box("Description", texts.ProductDescription);
        box("Features", texts.ProductFeatures);
    }
    return elements;
}

}  // namespace vantrel
