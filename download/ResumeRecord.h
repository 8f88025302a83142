// What a partial file was downloaded from: the first response's validator
// (a strong ETag, else Last-Modified) and the package's total length, kept
// in a small file beside the partial file. A resume sends the validator as
// If-Range, so that a server whose package changed answers with the whole
// new one, and accepts a part only when its total is the one recorded.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace vantrel {

struct TResumeRecord {
    std::optional<std::uint64_t> Total;  // unknown when the server sent none
    QByteArray Validator;                // empty: nothing to send as If-Range
    // The partial file is not worth continuing (its server disagreed with
    // it): the next request asks for the whole package. The bytes on disk
    // stay until the new package's first bytes replace them.
    bool Restart = false;
};

// `fileName` + ".resume".
QString ResumeRecordFile(const QString& fileName);

// nullopt when there is no record or it does not parse; a record that does
// not parse is as good as none.
std::optional<TResumeRecord> ReadResumeRecord(const QString& fileName);

// Written atomically: a reader sees the old record or the new one, never a
// mix. False when it could not be written.
bool WriteResumeRecord(const QString& fileName, const TResumeRecord& record);

void RemoveResumeRecord(const QString& fileName);

// The validator of a response: a strong ETag, else Last-Modified, else
// empty. A weak ETag may not be used in If-Range.
QByteArray ValidatorOf(const std::optional<QByteArray>& etag,
                       const std::optional<QByteArray>& lastModified);

// A Content-Range header: "bytes 1000-4999/5000", or "bytes */5000" (first
// and last are 0 then). nullopt when it is not one.
struct TContentRange {
    std::uint64_t First = 0;
    std::uint64_t Last = 0;
    std::optional<std::uint64_t> Total;  // none for "*"
};
std::optional<TContentRange> ParseContentRange(const std::optional<QByteArray>& header);

}  // namespace vantrel
