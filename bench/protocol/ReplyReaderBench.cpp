// Throughput of the client's reply reader on a large compressed
// project-information reply, next to zlib's raw inflate of the very same
// compressed body. The reader cannot be faster than inflate; the interesting
// number is how much it adds on top (integrity sum, buffer allocation, text
// copies), printed as a ratio after the run.
//
//   reply_reader_bench [--benchmark_repetitions=N] [other Google Benchmark flags]

#include <benchmark/benchmark.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <random>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/support/MedianReporter.h"
#include "core/ProductVersion.h"
#include "core/ProjectInfo.h"
#include "protocol/ReplyContainer.h"
#include "protocol/ReplyReader.h"
#include "protocol/ReplyWriter.h"

namespace {

using namespace vantrel;

constexpr std::size_t kBodySize = 1u << 20;
constexpr std::size_t kKiB = 1024;

// Raw 32-bit output of mt19937 is fixed by the standard, unlike the
// distributions, so the reply is the same with every standard library.
class TTextSource {
public:
    std::uint32_t Next() { return static_cast<std::uint32_t>(FEngine()); }
    std::size_t Below(std::size_t n) { return Next() % n; }

    std::string Sentence() {
        static const char* const kWords[] = {
            "mailbox",      "filter",    "message", "folder",   "quarantine", "rule",
            "the",          "a",         "of",      "to",       "and",        "when",
            "server",       "account",   "update",  "archive",  "attachment", "sender",
            "faster",       "new",       "option",  "settings", "report",     "spam",
            "contacts",     "calendar",  "is",      "now",      "can",        "be",
            "synchronises", "encrypted", "without", "restart",  "Outlook",    "profile",
            "scheduled",    "backup",    "restore", "in",       "with",       "from"};
        constexpr std::size_t kWordCount = sizeof kWords / sizeof kWords[0];
        std::string sentence;
        const std::size_t words = 6 + Below(14);
        for (std::size_t i = 0; i < words; ++i) {
            std::string word = kWords[Below(kWordCount)];
            if (i == 0)
                word[0] = static_cast<char>(word[0] - ('a' <= word[0] && word[0] <= 'z' ? 32 : 0));
            if (i > 0)
                sentence += ' ';
            sentence += word;
        }
        sentence += Below(5) == 0 ? "!\r\n" : ". ";
        return sentence;
    }

    std::string Prose(std::size_t bytes) {
        std::string text;
        while (text.size() < bytes)
            text += Sentence();
        text.resize(bytes);
        return text;
    }

    // Change-log lines: ticket numbers and commit hashes do not repeat.
    std::string ChangeLog(std::size_t bytes) {
        static const char kHex[] = "0123456789abcdef";
        std::string text;
        while (text.size() < bytes) {
            text += "- VT-" + std::to_string(10000 + Below(90000)) + " (";
            for (int i = 0; i < 10; ++i)
                text += kHex[Below(16)];
            text += "): " + Sentence() + "\r\n";
        }
        text.resize(bytes);
        return text;
    }

    // Bytes that deflate can barely shrink: an embedded licence blob, say.
    std::string Opaque(std::size_t bytes) {
        std::string text(bytes, '\0');
        for (char& c : text)
            c = static_cast<char>(Next() >> 24);
        return text;
    }

    std::string Base64Like(std::size_t bytes) {
        static const char kAlphabet[] =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::string text(bytes, '\0');
        for (std::size_t i = 0; i < bytes; ++i) {
            text[i] = (i % 77 == 76) ? '\n' : kAlphabet[Below(64)];
        }
        return text;
    }

private:
    std::mt19937 FEngine{20240611u};
};

TProjectReplyContent MakeContent() {
    TTextSource source;
    TProjectReplyContent c;
    c.ProductTitle = "Vantrel Mail Guard Professional";
    c.ProductDescription = source.Prose(240 * kKiB);
    c.ProductFeatures = source.Prose(150 * kKiB);
    c.WebSiteURL = "http://www.orbisk.example/products/mailguard/professional";
    c.DownloadURL = "http://downloads.orbisk.example/mailguard/4.0";
    c.NewVersionDescription = source.Prose(140 * kKiB);
    c.NewVersionBugFixes = source.ChangeLog(220 * kKiB);
    c.NewVersionAddons = source.Base64Like(96 * kKiB) + source.Opaque(64 * kKiB);

    // Promotion takes whatever is left, so that the body is exactly kBodySize.
    std::size_t used = 1;  // the logo flag
    for (const std::string* text :
         {&c.ProductTitle, &c.ProductDescription, &c.ProductFeatures, &c.WebSiteURL, &c.DownloadURL,
          &c.NewVersionDescription, &c.NewVersionBugFixes, &c.NewVersionAddons}) {
        used += 4 + text->size();
    }
    c.Promotion = source.Prose(kBodySize - used - 4);

    c.Available.Found = true;
    c.Available.Version = PackVersion(4, 0, 1, 2);
    c.Available.FileName = "MailGuardPro-4.0.1.2.exe";
    c.Compressed = true;
    return c;
}

struct TBenchReply {
    std::vector<std::uint8_t> Bytes;
    std::uint32_t CompressedSize = 0;
    std::uint32_t BodySize = 0;
};

const TBenchReply& Reply() {
    static const TBenchReply reply = [] {
        TBenchReply r;
        r.Bytes = BuildProjectReply(MakeContent());
        const auto header = ReadReplyHeader(r.Bytes);
        if (!header || header->BodySize != kBodySize) {
            throw std::logic_error("the benchmark reply does not have the intended body size");
        }
        r.CompressedSize = header->CompressedSize;
        r.BodySize = header->BodySize;
        return r;
    }();
    return reply;
}

void BM_ReadProjectReply(benchmark::State& state) {
    const TBenchReply& reply = Reply();
    TProjectInfo info;
    TProductVersionRec available;
    std::string errorMessage;
    for ([[maybe_unused]] auto _ : state) {
        if (!ReadProjectReply(reply.Bytes, info, available, errorMessage)) {
            state.SkipWithError(errorMessage.c_str());
            break;
        }
        benchmark::DoNotOptimize(info.Promotion.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * reply.BodySize);
}

// The container's decompression step alone, to split the reader's time
// between inflating and everything else.
void BM_DecompressBody(benchmark::State& state) {
    const TBenchReply& reply = Reply();
    const TReplyHeader header = *ReadReplyHeader(reply.Bytes);
    for ([[maybe_unused]] auto _ : state) {
        std::vector<std::uint8_t> body = DecompressBody(reply.Bytes, header);
        benchmark::DoNotOptimize(body.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * reply.BodySize);
}

// zlib alone, as any client would at least have to call it: one raw inflate
// of the same compressed bytes into a buffer that already exists.
void BM_ZlibRawInflate(benchmark::State& state) {
    const TBenchReply& reply = Reply();
    std::vector<std::uint8_t> out(reply.BodySize);
    for ([[maybe_unused]] auto _ : state) {
        z_stream stream{};
        if (inflateInit2(&stream, -15) != Z_OK) {
            state.SkipWithError("inflateInit2 failed");
            break;
        }
        stream.next_in = const_cast<Bytef*>(reply.Bytes.data() + kReplyHeaderSize);
        stream.avail_in = reply.CompressedSize;
        stream.next_out = out.data();
        stream.avail_out = static_cast<uInt>(out.size());
        const int rc = inflate(&stream, Z_FINISH);
        const uLong produced = stream.total_out;
        inflateEnd(&stream);
        if (rc != Z_STREAM_END || produced != reply.BodySize) {
            state.SkipWithError("zlib did not inflate the body");
            break;
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * reply.BodySize);
}

BENCHMARK(BM_ReadProjectReply)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecompressBody)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ZlibRawInflate)->Unit(benchmark::kMicrosecond);

using TRatioReporter = vantrel::bench::TMedianReporter;

void PrintRatio(const TRatioReporter& reporter, const char* name, const char* label) {
    const double measured = reporter.Median(name);
    const double zlib = reporter.Median("BM_ZlibRawInflate");
    if (measured <= 0 || zlib <= 0)
        return;
    // Times are in microseconds; Google Benchmark's M/s column is MiB/s too.
    const double mebibytes = Reply().BodySize / 1048576.0;
    std::printf("%-26s %.3f x zlib's time (%.1f MiB/s against %.1f MiB/s)\n", label,
                measured / zlib, mebibytes / (measured * 1e-6), mebibytes / (zlib * 1e-6));
}

int Run(int& argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    const TBenchReply& reply = Reply();
    benchmark::AddCustomContext("reply_bytes", std::to_string(reply.Bytes.size()));
    benchmark::AddCustomContext("body_bytes", std::to_string(reply.BodySize));
    benchmark::AddCustomContext("compressed_body_bytes", std::to_string(reply.CompressedSize));

    // A reporter passed in does not follow --benchmark_color, so colour only a terminal.
    TRatioReporter reporter(isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_Defaults
                                                  : benchmark::ConsoleReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nMedian CPU time per reply, body of %u bytes deflated to %u bytes:\n",
                reply.BodySize, reply.CompressedSize);
    PrintRatio(reporter, "BM_ReadProjectReply", "ReadProjectReply / zlib:");
    PrintRatio(reporter, "BM_DecompressBody", "DecompressBody / zlib:");
    benchmark::Shutdown();
    return 0;
}

}  // namespace

// A reply that cannot be built ends the run with its reason, not an abort.
int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "reply_reader_bench: %s\n", e.what());
        return 1;
    }
}
