#include "download/ResumeRecord.h"

#include <QFile>

#include "download/CacheFiles.h"

namespace vantrel {
namespace {

// A record is three short lines; anything longer is not one of ours.
constexpr std::size_t kMaxRecordSize = 4096;

bool IsHeaderValue(const QByteArray& value) {
    for (char c : value) {
        if (c == '\r' || c == '\n' || c == '\0') {
            return false;
        }
    }
    return true;
}

std::optional<std::uint64_t> Number(const QByteArray& text) {
    if (text.isEmpty() || text.size() > 19) {
        return std::nullopt;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
    }
    return text.toULongLong();
}

}  // namespace

QString ResumeRecordFile(const QString& fileName) {
    return fileName + QStringLiteral(".resume");
}

std::optional<TResumeRecord> ReadResumeRecord(const QString& fileName) {
    // Never through a link: a link in its place is as good as no record.
    const std::optional<std::string> text = cache::ReadOwnFile(
        QFile::encodeName(ResumeRecordFile(fileName)).toStdString(), kMaxRecordSize);
    if (!text) {
        return std::nullopt;
    }
    const QList<QByteArray> lines = QByteArray::fromStdString(*text).split('\n');
    // "total <n>|-", "validator <text>", "restart 0|1", then the final newline.
    if (lines.size() != 4 || !lines[3].isEmpty() || !lines[0].startsWith("total ") ||
        !lines[1].startsWith("validator ") || !lines[2].startsWith("restart ")) {
        return std::nullopt;
    }
    TResumeRecord record;
    const QByteArray total = lines[0].mid(6);
    if (total != "-") {
        record.Total = Number(total);
        if (!record.Total) {
            return std::nullopt;
        }
    }
    record.Validator = lines[1].mid(10);
    const QByteArray restart = lines[2].mid(8);
    if (restart != "0" && restart != "1") {
        return std::nullopt;
    }
    record.Restart = restart == "1";
    return record;
}

bool WriteResumeRecord(const QString& fileName, const TResumeRecord& record) {
    if (!IsHeaderValue(record.Validator)) {
        return false;
    }
    QByteArray text = "total ";
    text += record.Total ? QByteArray::number(static_cast<qulonglong>(*record.Total)) : "-";
    text += "\nvalidator " + record.Validator + "\nrestart ";
    text += record.Restart ? "1\n" : "0\n";
    // Replaced by a rename, which replaces a link in its place instead of
    // writing to whatever the link names.
    return cache::ReplaceOwnFile(QFile::encodeName(ResumeRecordFile(fileName)).toStdString(),
                                 text.toStdString());
}

void RemoveResumeRecord(const QString& fileName) {
    QFile::remove(ResumeRecordFile(fileName));
}

QByteArray ValidatorOf(const std::optional<QByteArray>& etag,
                       const std::optional<QByteArray>& lastModified) {
    if (etag && etag->startsWith('"') && etag->size() >= 2 && etag->endsWith('"') &&
        IsHeaderValue(*etag)) {
        return *etag;
    }
    if (lastModified && !lastModified->isEmpty() && IsHeaderValue(*lastModified)) {
        return *lastModified;
    }
    return {};
}

std::optional<TContentRange> ParseContentRange(const std::optional<QByteArray>& header) {
    if (!header) {
        return std::nullopt;
    }
    QByteArray text = header->trimmed();
    if (!text.startsWith("bytes ")) {
        return std::nullopt;
    }
    text = text.mid(6).trimmed();
    const qsizetype slash = text.indexOf('/');
    if (slash < 0) {
        return std::nullopt;
    }
    TContentRange range;
    const QByteArray span = text.left(slash);
    const QByteArray total = text.mid(slash + 1);
    if (total != "*") {
        range.Total = Number(total);
        if (!range.Total) {
            return std::nullopt;
        }
    }
    if (span == "*") {
        return range;
    }
    const qsizetype dash = span.indexOf('-');
    const auto first = Number(span.left(dash));
    const auto last = Number(span.mid(dash + 1));
    if (dash <= 0 || !first || !last || *last < *first) {
        return std::nullopt;
    }
    range.First = *first;
    range.Last = *last;
    return range;
}

}  // namespace vantrel
