#include "window/download/ResumeRecord.h"

#include <string_view>

namespace vantrel {
namespace {

bool IsHeaderValue(std::string_view value) {
    return value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::optional<std::uint64_t> Number(std::string_view text) {
    if (text.empty() || text.size() > 19) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value;
}

std::string_view Trimmed(std::string_view text) {
    constexpr std::string_view kSpace = " \t\r\n\v\f";
    const auto first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

// The rest of `line` after `prefix`, or nullopt when it does not start so.
std::optional<std::string_view> After(std::string_view line, std::string_view prefix) {
    if (line.substr(0, prefix.size()) != prefix) {
        return std::nullopt;
    }
    return line.substr(prefix.size());
}

}  // namespace

std::optional<TResumeRecord> ParseResumeRecord(const std::string& text) {
    std::string_view rest = text;
    std::string_view lines[3];
    for (std::string_view& line : lines) {
        const auto end = rest.find('\n');
        if (end == std::string_view::npos) {
            return std::nullopt;
        }
        line = rest.substr(0, end);
        rest.remove_prefix(end + 1);
    }
    const auto total = After(lines[0], "total ");
    const auto validator = After(lines[1], "validator ");
    const auto restart = After(lines[2], "restart ");
    if (!rest.empty() || !total || !validator || !restart) {
        return std::nullopt;
    }
    TResumeRecord record;
    if (*total != "-") {
        record.Total = Number(*total);
        if (!record.Total) {
            return std::nullopt;
        }
    }
    record.Validator = std::string(*validator);
    if (*restart != "0" && *restart != "1") {
        return std::nullopt;
    }
    record.Restart = *restart == "1";
    return record;
}

std::optional<std::string> FormatResumeRecord(const TResumeRecord& record) {
    if (!IsHeaderValue(record.Validator)) {
        return std::nullopt;
    }
    std::string text = "total ";
    text += record.Total ? std::to_string(*record.Total) : "-";
    text += "\nvalidator " + record.Validator + "\nrestart ";
    text += record.Restart ? "1\n" : "0\n";
    return text;
}

std::string ResumeRecordFile(const std::string& fileName) {
    return fileName + ".resume";
}

std::string ValidatorOf(const std::optional<std::string>& etag,
                        const std::optional<std::string>& lastModified) {
    if (etag && etag->size() >= 2 && etag->front() == '"' && etag->back() == '"' &&
        IsHeaderValue(*etag)) {
        return *etag;
    }
    if (lastModified && !lastModified->empty() && IsHeaderValue(*lastModified)) {
        return *lastModified;
    }
    return {};
}

std::optional<TContentRange> ParseContentRange(const std::optional<std::string>& header) {
    if (!header) {
        return std::nullopt;
    }
    const auto afterUnit = After(Trimmed(*header), "bytes ");
    if (!afterUnit) {
        return std::nullopt;
    }
    const std::string_view text = Trimmed(*afterUnit);
    const auto slash = text.find('/');
    if (slash == std::string_view::npos) {
        return std::nullopt;
    }
    TContentRange range;
    const std::string_view span = text.substr(0, slash);
    const std::string_view total = text.substr(slash + 1);
    if (total != "*") {
        range.Total = Number(total);
        if (!range.Total) {
            return std::nullopt;
        }
    }
    if (span == "*") {
        return range;
    }
    const auto dash = span.find('-');
    if (dash == std::string_view::npos || dash == 0) {
        return std::nullopt;
    }
    const auto first = Number(span.substr(0, dash));
    const auto last = Number(span.substr(dash + 1));
    if (!first || !last || *last < *first) {
        return std::nullopt;
    }
    range.First = *first;
    range.Last = *last;
    return range;
}

}  // namespace vantrel
