// What a partial file was downloaded from: the first response's validator
// (a strong ETag, else Last-Modified) and the package's total length, kept
// in a small file beside the partial file. A resume sends the validator as
// If-Range, so that a server whose package changed answers with the whole
// new one, and accepts a part only when its total is the one recorded.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vantrel {

struct TResumeRecord {
    std::optional<std::uint64_t> Total;  // unknown when the server sent none
    std::string Validator;               // empty: nothing to send as If-Range
    // The partial file is not worth continuing (its server disagreed with
    // it): the next request asks for the whole package. The bytes on disk
    // stay until the new package's first bytes replace them.
    bool Restart = false;
};

// The record's text: "total <n>|-", "validator <text>", "restart 0|1", each
// with its newline. nullopt for a text that is not one; a record that does
// not parse is as good as none.
std::optional<TResumeRecord> ParseResumeRecord(const std::string& text);
// nullopt when the record cannot be written (a validator that would not
// survive as one line).
std::optional<std::string> FormatResumeRecord(const TResumeRecord& record);

// `fileName` + ".resume".
std::string ResumeRecordFile(const std::string& fileName);

// nullopt when there is no record or it does not parse.
std::optional<TResumeRecord> ReadResumeRecord(const std::string& fileName);

// Written atomically: a reader sees the old record or the new one, never a
// mix. False when it could not be written.
bool WriteResumeRecord(const std::string& fileName, const TResumeRecord& record);

void RemoveResumeRecord(const std::string& fileName);

// The validator of a response: a strong ETag, else Last-Modified, else
// empty. A weak ETag may not be used in If-Range.
std::string ValidatorOf(const std::optional<std::string>& etag,
                        const std::optional<std::string>& lastModified);

// A Content-Range header: "bytes 1000-4999/5000", or "bytes */5000" (first
// and last are 0 then). nullopt when it is not one.
struct TContentRange {
    std::uint64_t First = 0;
    std::uint64_t Last = 0;
    std::optional<std::uint64_t> Total;  // none for "*"
};
std::optional<TContentRange> ParseContentRange(const std::optional<std::string>& header);

}  // namespace vantrel
