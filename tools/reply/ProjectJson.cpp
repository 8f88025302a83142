#include "tools/reply/ProjectJson.h"

#include <nlohmann/json.hpp>

#include <set>
#include <string>
#include <vector>

#include "platform/JpegImage.h"
#include "platform/TextConversion.h"
#include "protocol/ReplyContainer.h"
#include "protocol/ReplyReader.h"
#include "tools/reply/DisplayText.h"
#include "tools/reply/ToolError.h"
#include "tools/reply/ToolFiles.h"

namespace vantrel::tools {
namespace {

using nlohmann::json;

struct TTextKey {
    const char* Name;
    std::string TProjectReplyContent::*Member;
    bool AfterLogo;  // carried after the logo, so unreadable when there is one
};

constexpr TTextKey kTextKeys[] = {
    {"ProductTitle", &TProjectReplyContent::ProductTitle, false},
    {"ProductDescription", &TProjectReplyContent::ProductDescription, false},
    {"ProductFeatures", &TProjectReplyContent::ProductFeatures, false},
    {"WebSiteURL", &TProjectReplyContent::WebSiteURL, false},
    {"DownloadURL", &TProjectReplyContent::DownloadURL, false},
    {"NewVersionDescription", &TProjectReplyContent::NewVersionDescription, true},
    {"NewVersionBugFixes", &TProjectReplyContent::NewVersionBugFixes, true},
    {"NewVersionAddons", &TProjectReplyContent::NewVersionAddons, true},
    {"Promotion", &TProjectReplyContent::Promotion, true},
};

constexpr const char* kOtherKeys[] = {"ProductLogo", "Version", "FileName", "Found", "Compressed"};

std::string KnownKeys() {
    std::string list;
    for (const TTextKey& key : kTextKeys)
        list += std::string(list.empty() ? "" : ", ") + key.Name;
    for (const char* key : kOtherKeys)
        list += std::string(", ") + key;
    return list;
}

// nlohmann's messages start with an "[json.exception...] " tag that means
// nothing to the person who wrote the file.
std::string WithoutExceptionTag(const std::string& message) {
    const std::size_t end = message.find("] ");
    return end == std::string::npos ? message : message.substr(end + 2);
}

// A repeated key would otherwise silently keep only its last value.
json ParseRefusingDuplicateKeys(const std::vector<std::uint8_t>& bytes) {
    std::set<std::string> seen;
    std::string duplicate;
    const json::parser_callback_t watchKeys = [&](int depth, json::parse_event_t event,
                                                  json& parsed) {
        if (event == json::parse_event_t::key && depth == 1 &&
            !seen.insert(parsed.get<std::string>()).second && duplicate.empty()) {
            duplicate = parsed.get<std::string>();
        }
        return true;
    };
    json document;
    try {
        document = json::parse(bytes.begin(), bytes.end(), watchKeys);
    } catch (const json::exception& failure) {
        throw InputError(WithoutExceptionTag(failure.what()));
    }
    if (!document.is_object()) {
        throw InputError(std::string("expected a JSON object, found ") + document.type_name());
    }
    if (!duplicate.empty())
        throw InputError(Quoted(duplicate) + " is given more than once");
    return document;
}

const std::string& StringValue(const std::string& key, const json& value) {
    if (!value.is_string()) {
        throw InputError(key + " must be a string, not " + value.type_name());
    }
    return value.get_ref<const std::string&>();
}

bool BoolValue(const std::string& key, const json& value) {
    if (!value.is_boolean()) {
        throw InputError(key + " must be true or false, not " + value.type_name());
    }
    return value.get<bool>();
}

std::string ToCodePage(const std::string& key, const std::string& utf8) {
    try {
        return platform::Utf8ToCodePage(utf8);
    } catch (const std::exception&) {
        throw InputError(key + " cannot be written in the system code page (" +
                         platform::SystemCodePage() + ")");
    }
}

std::uint32_t ParseVersion(const std::string& text) {
    const std::optional<std::uint32_t> version = VersionFromText(text);
    if (!version) {
        throw InputError("Version must be \"a.b.c.d\" with each part 0 to 255, not " +
                         Quoted(text));
    }
    return *version;
}

// The client refuses a reply whose offered name could leave its download
// directory, so such a name is stopped here rather than on every desktop.
std::string CheckedFileName(const std::string& utf8) {
    std::string name = ToCodePage("FileName", utf8);
    if (name.size() > kProductFileNameMax) {
        throw InputError("FileName is " + std::to_string(name.size()) +
                         " bytes long; the reply holds at most " +
                         std::to_string(kProductFileNameMax));
    }
    if (!IsSafePackageFileName(name)) {
        throw InputError("FileName " + Quoted(utf8) +
                         " would be refused by the client: it must not be empty, \".\" or "
                         "\"..\", nor contain \"/\", \"\\\" or control characters");
    }
    return name;
}

// The JPEG stream up to its end-of-image marker: anything after it would
// only ride along unused in every reply.
std::vector<std::uint8_t> LoadLogo(const std::filesystem::path& projectFile,
                                   const std::string& utf8Path) {
    std::filesystem::path path(ToCodePage("ProductLogo", utf8Path));
    if (path.is_relative())
        path = projectFile.parent_path() / path;
    std::vector<std::uint8_t> bytes;
    try {
        bytes = ReadWholeFile(path, kMaxBodySize);
    } catch (const TToolError& failure) {
        throw TToolError(failure.Status(), std::string("ProductLogo: ") + failure.what());
    }
    TJPEGImage image;
    try {
        image.LoadFromBuffer(bytes.data(), bytes.size());
    } catch (const std::exception& failure) {
        throw InputError("ProductLogo " + path.string() +
                         " is not a JPEG picture the client can show: " + failure.what());
    }
    return image.Data();
}

void RefuseTextsAfterLogo(const TProjectReplyContent& content) {
    if (content.ProductLogo.empty())
        return;
    std::string unreadable;
    for (const TTextKey& key : kTextKeys) {
        if (key.AfterLogo && !(content.*key.Member).empty()) {
            unreadable += std::string(unreadable.empty() ? "" : ", ") + key.Name;
        }
    }
    if (!unreadable.empty()) {
        throw InputError("ProductLogo cannot be combined with " + unreadable +
                         ": the picture takes the rest of the reply body, so the client "
                         "would never read those texts");
    }
}

const TTextKey* FindTextKey(const std::string& name) {
    for (const TTextKey& key : kTextKeys) {
        if (name == key.Name)
            return &key;
    }
    return nullptr;
}

// What the object holds besides the texts, before the checks that need all of it.
struct TOtherValues {
    std::optional<std::string> Logo;
    std::optional<std::uint32_t> Version;
    std::optional<std::string> FileName;
};

void ReadKey(const std::string& name, const json& value, TProjectReplyContent& content,
             TOtherValues& other) {
    if (const TTextKey* key = FindTextKey(name)) {
        content.*key->Member = ToCodePage(name, StringValue(name, value));
    } else if (name == "ProductLogo") {
        other.Logo = StringValue(name, value);
    } else if (name == "Version") {
        other.Version = ParseVersion(StringValue(name, value));
    } else if (name == "FileName") {
        other.FileName = StringValue(name, value);
    } else if (name == "Found") {
        content.Available.Found = BoolValue(name, value);
    } else if (name == "Compressed") {
        content.Compressed = BoolValue(name, value);
    } else {
        throw InputError("unknown key " + Quoted(name) + " (known keys: " + KnownKeys() + ")");
    }
}

TProjectReplyContent ReadProject(const std::filesystem::path& file, const json& document) {
    TProjectReplyContent content;
    content.Available.Found = true;
    TOtherValues other;
    for (const auto& [name, value] : document.items())
        ReadKey(name, value, content, other);

    if (!other.Version)
        throw InputError("Version is required");
    content.Available.Version = *other.Version;
    if (content.Available.Found && !other.FileName) {
        throw InputError("FileName is required when Found is true");
    }
    // Without an offer the client never uses the name, so none is needed then.
    const std::string fileName = other.FileName.value_or("");
    if (content.Available.Found || !fileName.empty()) {
        content.Available.FileName = CheckedFileName(fileName);
    }
    // An empty path is a template's way of saying "no logo".
    if (other.Logo && !other.Logo->empty())
        content.ProductLogo = LoadLogo(file, *other.Logo);
    RefuseTextsAfterLogo(content);
    return content;
}

}  // namespace

TProjectReplyContent LoadProjectJson(const std::filesystem::path& file) {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(file);
    try {
        return ReadProject(file, ParseRefusingDuplicateKeys(bytes));
    } catch (const TToolError& failure) {
        throw TToolError(failure.Status(), file.string() + ": " + failure.what());
    }
}

}  // namespace vantrel::tools
