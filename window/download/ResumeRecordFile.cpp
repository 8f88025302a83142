#include "window/download/CacheFiles.h"
#include "window/download/ResumeRecord.h"

namespace vantrel {
namespace {

// A record is three short lines; anything longer is not one of ours.
constexpr std::size_t kMaxRecordSize = 4096;

}  // namespace

std::optional<TResumeRecord> ReadResumeRecord(const std::string& fileName) {
    // Never through a link: a link in its place is as good as no record.
    const std::optional<std::string> text =
        cache::ReadOwnFile(ResumeRecordFile(fileName), kMaxRecordSize);
    return text ? ParseResumeRecord(*text) : std::nullopt;
}

bool WriteResumeRecord(const std::string& fileName, const TResumeRecord& record) {
    const std::optional<std::string> text = FormatResumeRecord(record);
    // Replaced by a rename, which replaces a link in its place instead of
    // writing to whatever the link names.
    return text && cache::ReplaceOwnFile(ResumeRecordFile(fileName), *text);
}

void RemoveResumeRecord(const std::string& fileName) {
    cache::RemoveOwnFile(ResumeRecordFile(fileName));
}

}  // namespace vantrel
