#include "tools/reply/InspectReply.h"

#include <nlohmann/json.hpp>

#include <iomanip>

#include "protocol/ReplyReader.h"
#include "tools/reply/DisplayText.h"

namespace vantrel::tools {
namespace {

using nlohmann::ordered_json;

struct TTextField {
    const char* Name;
    std::string TProjectInfo::*Member;
};

// In the order the reply carries them; the logo comes between the two groups.
constexpr TTextField kTextsBeforeLogo[] = {
    {"ProductTitle", &TProjectInfo::ProductTitle},
    {"ProductDescription", &TProjectInfo::ProductDescription},
    {"ProductFeatures", &TProjectInfo::ProductFeatures},
    {"WebSiteURL", &TProjectInfo::WebSiteURL},
    {"DownloadURL", &TProjectInfo::DownloadURL},
};
constexpr TTextField kTextsAfterLogo[] = {
    {"NewVersionDescription", &TProjectInfo::NewVersionDescription},
    {"NewVersionBugFixes", &TProjectInfo::NewVersionBugFixes},
    {"NewVersionAddons", &TProjectInfo::NewVersionAddons},
    {"Promotion", &TProjectInfo::Promotion},
};

std::string Shown(const std::string& codePageText) {
    return Quoted(CodePageToUtf8Lossy(codePageText));
}

const char* YesNo(bool value) {
    return value ? "yes" : "no";
}

void Line(std::ostream& out, const std::string& label, const std::string& value) {
    out << std::left << std::setw(24) << (label + ":") << value << '\n';
}

std::string KindText(const std::optional<TReplyHeader>& header) {
    if (!header)
        return "none (too short for a header)";
    const int kind = header->Kind;
    switch (header->Kind) {
        case kReplyKindProjectInfo:
            return std::to_string(kind) + " (project information)";
        case kReplyKindError:
            return std::to_string(kind) + " (server error text)";
        default:
            return std::to_string(kind) + " (unknown)";
    }
}

std::string CompressionText(const std::optional<TReplyHeader>& header) {
    if (!header)
        return "none (too short for a header)";
    if (header->Kind != kReplyKindProjectInfo)
        return "not used by this kind";
    if (header->Compressed == 0)
        return "no, body stored as is";
    return "yes, " + std::to_string(header->CompressedSize) + " compressed bytes for a " +
           std::to_string(header->BodySize) + "-byte body";
}

std::string LogoText(const TJPEGImage& logo) {
    if (logo.Empty())
        return "none";
    return std::to_string(logo.Data().size()) + " bytes, " + std::to_string(logo.Width()) + " x " +
           std::to_string(logo.Height()) + " pixels";
}

void PrintTexts(std::ostream& out, const TProjectInfo& info, std::span<const TTextField> fields) {
    for (const TTextField& field : fields)
        Line(out, field.Name, Shown(info.*field.Member));
}

void AddTexts(ordered_json& object, const TProjectInfo& info, std::span<const TTextField> fields) {
    for (const TTextField& field : fields) {
        object[field.Name] = CodePageToUtf8Lossy(info.*field.Member);
    }
}

}  // namespace

TReplyInspection InspectReply(std::span<const std::uint8_t> reply) {
    TReplyInspection inspection;
    inspection.Size = reply.size();
    inspection.Intact = CheckReplyIntegrity(reply);
    inspection.Header = ReadReplyHeader(reply);
    inspection.Accepted =
        ReadProjectReply(reply, inspection.Info, inspection.Available, inspection.ErrorMessage);
    return inspection;
}

void PrintInspectionText(const TReplyInspection& inspection, std::ostream& out) {
    Line(out, "Size", std::to_string(inspection.Size) + " bytes");
    Line(out, "Intact", YesNo(inspection.Intact));
    Line(out, "Kind", KindText(inspection.Header));
    Line(out, "Compressed", CompressionText(inspection.Header));
    PrintTexts(out, inspection.Info, kTextsBeforeLogo);
    Line(out, "ProductLogo", LogoText(inspection.Info.ProductLogo));
    PrintTexts(out, inspection.Info, kTextsAfterLogo);
    out << "AvailableProduct:\n";
    Line(out, "  Found", YesNo(inspection.Available.Found));
    Line(out, "  Version", VersionToText(inspection.Available.Version));
    Line(out, "  FileName", Shown(inspection.Available.FileName));
    Line(out, "Client", inspection.Accepted ? "accepts the reply" : "refuses the reply");
    Line(out, "ErrorMessage", inspection.Accepted ? "none" : Shown(inspection.ErrorMessage));
    if (const std::optional<TSignatureCheck>& signature = inspection.Signature) {
        Line(out, "Signature", signature->Verified ? "verified" : "not verified");
        Line(out, "TrustedComment",
             signature->TrustedComment ? Quoted(Utf8Lossy(*signature->TrustedComment)) : "none");
        Line(out, "SignatureError",
             signature->Error ? Quoted(Utf8Lossy(*signature->Error)) : "none");
    }
}

void PrintInspectionJson(const TReplyInspection& inspection, std::ostream& out) {
    ordered_json object;
    object["intact"] = inspection.Intact;
    object["kind"] = inspection.Header ? ordered_json(inspection.Header->Kind) : ordered_json();
    object["compressed"] =
        inspection.Header ? ordered_json(inspection.Header->Compressed != 0) : ordered_json();
    AddTexts(object, inspection.Info, kTextsBeforeLogo);
    object["ProductLogo"] = inspection.Info.ProductLogo.Data().size();
    AddTexts(object, inspection.Info, kTextsAfterLogo);
    object["AvailableProduct"] = {
        {"Found", inspection.Available.Found},
        {"Version", VersionToText(inspection.Available.Version)},
        {"FileName", CodePageToUtf8Lossy(inspection.Available.FileName)},
    };
    object["ErrorMessage"] = inspection.Accepted
                                 ? ordered_json()
                                 : ordered_json(CodePageToUtf8Lossy(inspection.ErrorMessage));
    if (const std::optional<TSignatureCheck>& signature = inspection.Signature) {
        const auto orNull = [](const std::optional<std::string>& text) {
            return text ? ordered_json(Utf8Lossy(*text)) : ordered_json();
        };
        object["signature"] = {{"verified", signature->Verified},
                               {"trustedComment", orNull(signature->TrustedComment)},
                               {"error", orNull(signature->Error)}};
    } else {
        object["signature"] = nullptr;
    }
    // The texts are valid UTF-8 already; replacing is only the last safeguard.
    out << object.dump(2, ' ', false, ordered_json::error_handler_t::replace) << '\n';
}

}  // namespace vantrel::tools
