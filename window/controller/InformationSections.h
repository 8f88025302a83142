// What the main window's information panel shows: the server's texts as
// captioned boxes, in groups under coloured headings, in a fixed order. The
// front end lays the elements out; which of them appear is decided here.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

struct TProjectInfo;

// The reply's texts that the panel shows: 8-bit strings in the system code
// page, empty when the reply left them out.
struct TInformationTexts {
    std::string Promotion;
    std::string NewVersionDescription;
    std::string NewVersionBugFixes;
    std::string NewVersionAddons;
    std::string ProductDescription;
    std::string ProductFeatures;

    static TInformationTexts From(const TProjectInfo& info);
};

// The headings' colours, as 0xBBGGRR values.
inline constexpr std::uint32_t NewVersionGroupColor = 0xF9713E;
inline constexpr std::uint32_t ProductGroupColor = 0x000000;

// One element of the panel, top to bottom.
struct TInformationElement {
    bool Heading = false;
    // A heading's text, or a box's caption.
    std::u16string Text;
    // A box's text from the server (8-bit, system code page).
    std::string Body;
    // A heading's colour.
    std::uint32_t Color = 0;
    bool operator==(const TInformationElement&) const = default;
};

// An English source text in, the text to show out: the translation, or for
// the headings the translation expanded.
using TInformationText = std::function<std::u16string(std::string_view english)>;

// The promotion, the new-version group (only when `newVersionOffered` and one
// of its texts is set) and the product group, in that order. A group without
// texts has no heading either.
std::vector<TInformationElement> InformationElements(const TInformationTexts& texts,
                                                     bool newVersionOffered,
                                                     const TInformationText& translate,
                                                     const TInformationText& translateAndExpand);

}  // namespace vantrel
