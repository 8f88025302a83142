// vantrel-fetch: runs the client's download component once, as the update
// window would, and prints every event as one JSON line, so that a vendor can
// see how a server answers ("does my server resume?").
#include <QCoreApplication>
#include <QString>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

#include "download/BSCB.h"
#include "download/IEDownload.h"

namespace {

constexpr int kExitUsage = 2;

struct TFetchArgs {
    QString Url;
    QString File;
    int TimeOut = 5000;
    std::optional<QString> UserAgent;
};

const char* const kUsage =
    "usage: vantrel-fetch URL FILE [--timeout MS] [--user-agent TEXT]\n"
    "  Downloads URL into FILE with the client's download component; an existing\n"
    "  FILE is resumed from its length. Prints one JSON line per event and exits\n"
    "  0 when the download ends with S_OK.\n";

std::optional<TFetchArgs> ParseArgs(const QStringList& args, std::string& error) {
    TFetchArgs parsed;
    QStringList positional;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--timeout") || arg == QLatin1String("--user-agent")) {
            if (i + 1 >= args.size()) {
                error = arg.toStdString() + " needs a value";
                return std::nullopt;
            }
            const QString value = args[++i];
            if (arg == QLatin1String("--timeout")) {
                bool ok = false;
                parsed.TimeOut = value.toInt(&ok);
                if (!ok || parsed.TimeOut < 0) {
                    error = "--timeout wants milliseconds (0 or more), not \"" +
                            value.toStdString() + "\"";
                    return std::nullopt;
                }
            } else {
                parsed.UserAgent = value;
            }
        } else if (arg.startsWith(QLatin1String("--"))) {
            error = "unknown option " + arg.toStdString();
            return std::nullopt;
        } else {
            positional << arg;
        }
    }
    if (positional.size() != 2) {
        error = "want a URL and a file name";
        return std::nullopt;
    }
    parsed.Url = positional[0];
    parsed.File = positional[1];
    return parsed;
}

std::string Hex(vantrel::HRESULT result) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(result));
    return text;
}

void PrintLine(const nlohmann::json& event) {
    std::cout << event.dump() << std::endl;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 2 &&
        (arguments[1] == QLatin1String("--help") || arguments[1] == QLatin1String("-h"))) {
        std::cout << kUsage;
        return 0;
    }
    std::string error;
    const auto args = ParseArgs(QCoreApplication::arguments(), error);
    if (!args) {
        std::cerr << "vantrel-fetch: " << error << "\n" << kUsage;
        return kExitUsage;
    }

    using vantrel::TBindInfoOption;
    vantrel::TIEDownload download;
    // The update window's settings, so that the server sees the client.
    download.TimeOut = args->TimeOut;
    download.SetOptions({TBindInfoOption::Asynchronous, TBindInfoOption::AsyncStorage,
                         TBindInfoOption::GetNewestVersion, TBindInfoOption::NoWriteCache,
                         TBindInfoOption::NeedFile, TBindInfoOption::IgnoreSecurityProblem,
                         TBindInfoOption::Resynchronize, TBindInfoOption::No_UI,
                         TBindInfoOption::SilentOperation, TBindInfoOption::Pragma_No_Cache});
    if (args->UserAgent) {
        download.UserAgent = *args->UserAgent;
    }

    vantrel::HRESULT finalResult = vantrel::platform::E_FAIL;
    download.OnBeginningTransaction = [](vantrel::TBSCB*, const QString&, const QString&,
                                         std::uint32_t, QString& headers) {
        PrintLine({{"event", "request"}, {"headers", headers.toStdString()}});
        return vantrel::platform::S_OK;
    };
    download.OnProgress = [](vantrel::TBSCB*, std::uint32_t progress, std::uint32_t max,
                             std::uint32_t status, const QString& text, const QString& elapsed,
                             const QString& speed, const QString& estimated) {
        PrintLine({{"event", "progress"},
                   {"progress", progress},
                   {"progressMax", max},
                   {"status", status},
                   {"statusName", vantrel::BindStatusText(status).toStdString()},
                   {"statusText", text.toStdString()},
                   {"elapsed", elapsed.toStdString()},
                   {"speed", speed.toStdString()},
                   {"estimated", estimated.toStdString()}});
    };
    download.OnComplete = [&finalResult](vantrel::TBSCB* sender, vantrel::TStream* stream,
                                         vantrel::HRESULT result) {
        PrintLine({{"event", "complete"},
                   {"result", Hex(result)},
                   {"responseCode", sender->ResponseCode},
                   {"stream", stream != nullptr},
                   {"size", stream ? stream->Size() : 0}});
        finalResult = result;
    };

    download.Download(args->Url, args->File);
    // Some ends are reported twice; the last report is the binding's stop.
    while (download.RequestCount() > 0) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return finalResult == vantrel::platform::S_OK ? 0 : 1;
}
