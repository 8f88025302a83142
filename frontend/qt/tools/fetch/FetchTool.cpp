// vantrel-fetch: runs the client's download component once, as the update
// window would, and prints every event as one JSON line, so that a vendor can
// see how a server answers ("does my server resume?"), and with --verify
// whether the package it serves is the one the vendor signed.
#include <QCoreApplication>
#include <QFile>
#include <QString>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <exception>
#include <iostream>
#include <optional>
#include <string>

#include "core/ProductVersion.h"
#include "frontend/qt/download/IEDownload.h"
#include "frontend/qt/tools/fetch/PackageCheck.h"
#include "signature/PackageSignature.h"
#include "signature/TrustedComment.h"
#include "window/download/BSCB.h"

namespace {

constexpr int kExitUsage = 2;

struct TFetchArgs {
    QString Url;
    QString File;
    int TimeOut = 5000;
    std::optional<QString> UserAgent;
    std::optional<QString> VerifyKey;
    std::optional<QString> ExpectProject;
    std::optional<QString> ExpectVersion;
    // What the signature must vouch for, from the two options above and URL.
    std::optional<vantrel::TSignedRelease> Expected;
    bool Help = false;
};

const char* const kUsage =
    "usage: vantrel-fetch URL FILE [--timeout MS] [--user-agent TEXT]\n"
    "                     [--verify KEYFILE [--expect-project ID --expect-version a.b.c.d]]\n"
    "  Downloads URL into FILE with the client's download component; an existing\n"
    "  FILE is resumed from its length. Prints one JSON line per event and exits\n"
    "  0 when the download ends with S_OK, 1 otherwise, 2 on a usage error.\n"
    "  --verify KEYFILE  then fetches URL.minisig and checks FILE against it with\n"
    "                    the minisign public key in KEYFILE (a \"verify\" event);\n"
    "                    exits 0 only for a complete, verified package. A package\n"
    "                    that fails the check is kept, to be looked at.\n"
    "  --expect-project ID, --expect-version a.b.c.d\n"
    "                    with --verify, and only both: the signature must also\n"
    "                    name project ID, exactly version a.b.c.d and as file\n"
    "                    name the last path segment of URL, taken as written\n"
    "                    (not percent-decoded), as the client checks a release.\n";

// Both or neither, with --verify, and a URL that ends in a file name.
bool ResolveExpectedRelease(TFetchArgs& parsed, std::string& error) {
    if (!parsed.ExpectProject && !parsed.ExpectVersion)
        return true;
    if (!parsed.ExpectProject || !parsed.ExpectVersion) {
        error = "--expect-project and --expect-version go together";
        return false;
    }
    if (!parsed.VerifyKey) {
        error = "--expect-project and --expect-version need --verify";
        return false;
    }
    vantrel::TSignedRelease release;
    release.ProjectID = parsed.ExpectProject->toStdString();
    const std::optional<std::uint32_t> version =
        vantrel::VersionFromText(parsed.ExpectVersion->toStdString());
    release.FileName = vantrel::fetch::UrlFileName(parsed.Url.toStdString());
    if (release.ProjectID.empty()) {
        error = "--expect-project needs a project ID";
    } else if (!version || *version == 0) {
        // 0.0.0.0 is never newer than anything, so the client offers no such release.
        error = "--expect-version wants a release a.b.c.d (each 0 to 255, not all 0), not \"" +
                parsed.ExpectVersion->toStdString() + "\"";
    } else if (release.FileName.empty()) {
        error =
            "--expect-project and --expect-version need a URL that ends in the package's "
            "file name";
    } else {
        release.Version = *version;
        parsed.Expected = release;
        return true;
    }
    return false;
}

std::optional<TFetchArgs> ParseArgs(const QStringList& args, std::string& error) {
    TFetchArgs parsed;
    QStringList positional;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            parsed.Help = true;
            return parsed;
        }
        if (arg == QLatin1String("--timeout") || arg == QLatin1String("--user-agent") ||
            arg == QLatin1String("--verify") || arg == QLatin1String("--expect-project") ||
            arg == QLatin1String("--expect-version")) {
            if (i + 1 >= args.size()) {
                error = arg.toStdString() + " needs a value";
                return std::nullopt;
            }
            const QString& value = args[++i];
            if (arg == QLatin1String("--timeout")) {
                bool ok = false;
                parsed.TimeOut = value.toInt(&ok);
                if (!ok || parsed.TimeOut < 0) {
                    error = "--timeout wants milliseconds (0 or more), not \"" +
                            value.toStdString() + "\"";
                    return std::nullopt;
                }
            } else if (arg == QLatin1String("--verify")) {
                parsed.VerifyKey = value;
            } else if (arg == QLatin1String("--expect-project")) {
                parsed.ExpectProject = value;
            } else if (arg == QLatin1String("--expect-version")) {
                parsed.ExpectVersion = value;
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
    if (!ResolveExpectedRelease(parsed, error))
        return std::nullopt;
    return parsed;
}

std::string Hex(vantrel::HRESULT result) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(result));
    return text;
}

void PrintLine(const nlohmann::json& event) {
    // Texts from the server or a signature file need not be UTF-8; dump()
    // would throw on them.
    std::cout << event.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << std::endl;
}

// The "verify" event; a package that fails is also named on standard error.
int VerifyPackage(const TFetchArgs& args, const vantrel::TIEDownload& download,
                  const vantrel::TMinisignPublicKey& key) {
    const vantrel::fetch::TPackageCheck check =
        vantrel::fetch::CheckDownloadedPackage(args.Url.toStdString(), args.File.toStdString(), key,
                                               download.UserAgent, download.TimeOut, args.Expected);
    nlohmann::json event = {{"event", "verify"},
                            {"signature", check.SignatureUrl},
                            {"responseCode", check.ResponseCode},
                            {"verified", check.Verified}};
    if (check.Verified) {
        event["trustedComment"] = check.TrustedComment;
    } else {
        event["error"] = check.Error;
    }
    PrintLine(event);
    if (!check.Verified) {
        std::cerr << "vantrel-fetch: " << args.File.toStdString()
                  << " is not a verified package: " << check.Error << "\n";
        return 1;
    }
    return 0;
}

int Run(int& argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::string error;
    const auto args = ParseArgs(QCoreApplication::arguments(), error);
    if (!args) {
        std::cerr << "vantrel-fetch: " << error << "\n" << kUsage;
        return kExitUsage;
    }
    if (args->Help) {
        std::cout << kUsage;
        return 0;
    }
    // A key that cannot be used is known before anything is downloaded.
    std::optional<vantrel::TMinisignPublicKey> key;
    if (args->VerifyKey) {
        try {
            key = vantrel::LoadMinisignPublicKeyFile(args->VerifyKey->toStdString());
        } catch (const vantrel::TSignatureError& e) {
            std::cerr << "vantrel-fetch: " << e.what() << "\n";
            return kExitUsage;
        }
    }

    using vantrel::TBindInfoOption;
    vantrel::TQtIEDownload download;
    // The update window's settings, so that the server sees the client.
    download.TimeOut = args->TimeOut;
    download.SetOptions({TBindInfoOption::Asynchronous, TBindInfoOption::AsyncStorage,
                         TBindInfoOption::GetNewestVersion, TBindInfoOption::NoWriteCache,
                         TBindInfoOption::NeedFile, TBindInfoOption::IgnoreSecurityProblem,
                         TBindInfoOption::Resynchronize, TBindInfoOption::No_UI,
                         TBindInfoOption::SilentOperation, TBindInfoOption::Pragma_No_Cache});
    if (args->UserAgent) {
        download.UserAgent = args->UserAgent->toStdString();
    }

    vantrel::HRESULT finalResult = vantrel::platform::E_FAIL;
    download.OnBeginningTransaction = [](vantrel::TBSCB*, const std::string&, const std::string&,
                                         std::uint32_t, std::string& headers) {
        PrintLine({{"event", "request"}, {"headers", headers}});
        return vantrel::platform::S_OK;
    };
    download.OnProgress = [](vantrel::TBSCB*, std::uint32_t progress, std::uint32_t max,
                             std::uint32_t status, const std::string& text,
                             const std::string& elapsed, const std::string& speed,
                             const std::string& estimated) {
        PrintLine({{"event", "progress"},
                   {"progress", progress},
                   {"progressMax", max},
                   {"status", status},
                   {"statusName", vantrel::BindStatusText(status)},
                   {"statusText", text},
                   {"elapsed", elapsed},
                   {"speed", speed},
                   {"estimated", estimated}});
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

    download.Download(args->Url.toStdString(), QFile::encodeName(args->File).toStdString());
    // Some ends are reported twice; the last report is the binding's stop.
    while (download.RequestCount() > 0) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    if (finalResult != vantrel::platform::S_OK)
        return 1;
    return key ? VerifyPackage(*args, download, *key) : 0;
}

}  // namespace

// Whatever fails unforeseen is reported like any other failure, with exit
// code 1, rather than ending the tool by std::terminate.
int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "vantrel-fetch: " << e.what() << "\n";
        return 1;
    }
}
