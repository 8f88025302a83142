// Runs the download component on the Qt front end (the curl binding and
// QTimer on the test's event loop) and records what it reported.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTest>

#include <cstdint>
#include <string>
#include <vector>

#include "frontend/qt/download/IEDownload.h"
#include "window/download/BSCB.h"
#include "window/download/Streams.h"

namespace vantrel::test {

struct TCompletion {
    bool HasStream = false;
    HRESULT Result = 0;
    std::uint32_t ResponseCode = 0;
    QByteArray Contents;  // what the stream held, read from position 0
};

struct TProgressRecord {
    std::uint32_t Progress = 0;
    std::uint32_t ProgressMax = 0;
    std::uint32_t Status = 0;
    std::string Speed;
};

// A payload whose bytes depend on their offset, so that a misplaced part
// never compares equal.
inline std::string Payload(std::size_t size) {
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        data[i] = static_cast<char>((i * 131 + i / 251) & 0xFF);
    }
    return data;
}

class TDownloadRun {
public:
    TDownloadRun() {
        // The main window's form settings, with a short idle time-out.
        D.TimeOut = 5000;
        D.SetOptions({TBindInfoOption::Asynchronous, TBindInfoOption::AsyncStorage,
                      TBindInfoOption::GetNewestVersion, TBindInfoOption::NoWriteCache,
                      TBindInfoOption::NeedFile, TBindInfoOption::IgnoreSecurityProblem,
                      TBindInfoOption::Resynchronize, TBindInfoOption::No_UI,
                      TBindInfoOption::SilentOperation, TBindInfoOption::Pragma_No_Cache});
        D.UserAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Win32)";
        D.OnComplete = [this](TBSCB* sender, TStream* stream, HRESULT result) {
            TCompletion c{stream != nullptr, result, sender->ResponseCode, {}};
            if (stream) {
                const std::int64_t position = stream->Position();
                stream->Seek(0);
                c.Contents.resize(static_cast<qsizetype>(stream->Size()));
                stream->Read(c.Contents.data(), static_cast<std::uint32_t>(c.Contents.size()));
                stream->Seek(position);
            }
            Completions.push_back(c);
        };
        D.OnProgress = [this](TBSCB*, std::uint32_t progress, std::uint32_t max,
                              std::uint32_t status, const std::string&, const std::string&,
                              const std::string& speed, const std::string&) {
            Progress.push_back({progress, max, status, speed});
            if (CancelAtProgress && status == 5 && progress >= CancelAtProgress) {
                D.Cancel();
            }
        };
        D.OnBeginningTransaction = [this](TBSCB*, const std::string&, const std::string&,
                                          std::uint32_t, std::string& additional) {
            AdditionalHeaders.push_back(additional);
            return platform::S_OK;
        };
    }

    // Starts the download and waits for its stop (the request freed).
    bool Run(const std::string& url, const std::string& file = {}, int waitMs = 15000) {
        D.Download(url, file);
        return QTest::qWaitFor([this] { return D.RequestCount() == 0; }, waitMs);
    }

    std::vector<std::uint32_t> StatusesSeen() const {
        std::vector<std::uint32_t> statuses;
        for (const auto& p : Progress) {
            statuses.push_back(p.Status);
        }
        return statuses;
    }

    const TProgressRecord* FirstDownloading() const {
        for (const auto& p : Progress) {
            if (p.Status == 5) {
                return &p;
            }
        }
        return nullptr;
    }

    TQtIEDownload D;
    std::vector<TCompletion> Completions;
    std::vector<TProgressRecord> Progress;
    std::vector<std::string> AdditionalHeaders;
    std::uint32_t CancelAtProgress = 0;
};

}  // namespace vantrel::test
