// The texts a resume is decided on: the record kept beside a partial file,
// the Content-Range of a part, the validator sent as If-Range, and the
// headers the binding reports the body's length and framing by.
#include <gtest/gtest.h>

#include <map>

#include "window/download/ResumeRecord.h"
#include "window/download/UrlBinding.h"

namespace vantrel {
namespace {

TEST(ResumeRecord, TextRoundTripsAndForeignTextsReadAsNone) {
    for (const TResumeRecord& record :
         {TResumeRecord{5000, "\"v1\"", false}, TResumeRecord{std::nullopt, "", true}}) {
        const auto text = FormatResumeRecord(record);
        ASSERT_TRUE(text);
        const auto read = ParseResumeRecord(*text);
        ASSERT_TRUE(read) << *text;
        EXPECT_EQ(read->Total, record.Total);
        EXPECT_EQ(read->Validator, record.Validator);
        EXPECT_EQ(read->Restart, record.Restart);
    }
    EXPECT_EQ(*FormatResumeRecord({5000, "\"v1\"", false}),
              "total 5000\nvalidator \"v1\"\nrestart 0\n");
    // A validator that would break the record's lines is not written.
    EXPECT_FALSE(FormatResumeRecord({1, "a\nrestart 1", false}));
    for (const char* text :
         {"", "total 12\nvalidator x\n", "total -5\nvalidator x\nrestart 0\n",
          "total 1\nvalidator x\nrestart 2\n", "total 1\nvalidator x\nrestart 0\nmore\n",
          "total 99999999999999999999\nvalidator x\nrestart 0\n"}) {
        EXPECT_FALSE(ParseResumeRecord(text)) << text;
    }
}

TEST(ResumeRecord, ContentRange) {
    struct TRow {
        const char* Header;
        std::optional<TContentRange> Range;
    } rows[] = {
        {"bytes 1000-4999/5000", TContentRange{1000, 4999, 5000}},
        {"  bytes 0-0/*  ", TContentRange{0, 0, std::nullopt}},
        {"bytes */5000", TContentRange{0, 0, 5000}},
        {"bytes 10-5/5000", std::nullopt},
        {"bytes -5/5000", std::nullopt},
        {"bytes 1000-4999", std::nullopt},
        {"items 0-1/2", std::nullopt},
        {"bytes +1-2/3", std::nullopt},
    };
    for (const TRow& row : rows) {
        const auto range = ParseContentRange(std::string(row.Header));
        ASSERT_EQ(range.has_value(), row.Range.has_value()) << row.Header;
        if (range) {
            EXPECT_EQ(range->First, row.Range->First) << row.Header;
            EXPECT_EQ(range->Last, row.Range->Last) << row.Header;
            EXPECT_EQ(range->Total, row.Range->Total) << row.Header;
        }
    }
    EXPECT_FALSE(ParseContentRange(std::nullopt));
}

TEST(ResumeRecord, ValidatorIsAStrongETagElseLastModified) {
    const std::string date = "Tue, 01 Dec 2026 10:00:00 GMT";
    EXPECT_EQ(ValidatorOf("\"v1\"", date), "\"v1\"");
    EXPECT_EQ(ValidatorOf("W/\"weak\"", date), date);
    EXPECT_EQ(ValidatorOf(std::nullopt, date), date);
    EXPECT_EQ(ValidatorOf("\"a\r\nX: 1\"", std::nullopt), "");
    EXPECT_EQ(ValidatorOf(std::nullopt, std::nullopt), "");
}

// Only the headers matter here: a binding that has nothing else.
class THeaders : public platform::IBinding {
public:
    explicit THeaders(std::map<std::string, std::string> fields) : FFields(std::move(fields)) {}
    void Abort() override {}
    void Detach() override {}
    std::optional<std::string> ResponseHeader(std::string_view name) const override {
        const auto found = FFields.find(std::string(name));
        return found == FFields.end() ? std::nullopt : std::optional(found->second);
    }

private:
    std::map<std::string, std::string> FFields;
};

TEST(UrlBindingHeaders, LengthAndChunking) {
    struct TRow {
        std::map<std::string, std::string> Fields;
        std::optional<std::uint64_t> Length;
        bool Chunked;
    } rows[] = {
        {{{"Content-Length", "5000"}}, 5000, false},
        {{{"Content-Length", "-1"}}, std::nullopt, false},
        {{{"Content-Length", "12abc"}}, std::nullopt, false},
        {{{"Content-Length", "9223372036854775808"}}, std::nullopt, false},
        {{{"Transfer-Encoding", "gzip, Chunked"}}, std::nullopt, true},
        {{}, std::nullopt, false},
    };
    for (const TRow& row : rows) {
        const THeaders binding(row.Fields);
        EXPECT_EQ(binding.ContentLength(), row.Length);
        EXPECT_EQ(binding.Chunked(), row.Chunked);
    }
}

}  // namespace
}  // namespace vantrel
