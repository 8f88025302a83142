// The real window and download component against servers and proxies that
// misbehave, in a build that verifies packages: each row serves a package and
// its signature (made by the real minisign) its own way. Whatever happens,
// the installer is only ever given the vendor's package, byte for byte, and
// the completion notice goes out only for a package that verified.
#include <QTest>

#include <atomic>
#include <fstream>
#include <sstream>

#include <sys/resource.h>

#include <csignal>

#include "core/UpdateState.h"
#include "frontend/qt/controller/SignatureFetch.h"
#include "signature/TrustedComment.h"
#include "tests/frontend/qt/controller/MainWindowFixture.h"
#include "tests/support/Minisign.h"
#include "tests/support/ScriptedServer.h"
#include "window/download/ResumeRecord.h"

namespace vantrel::test {
namespace {

namespace fs = std::filesystem;

std::string Bytes(std::size_t size, unsigned seed) {
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        data[i] = static_cast<char>((i * seed + i / 253) & 0xFF);
    return data;
}

const std::string kPackage = Bytes(kPackageBytes, 7);
const std::string kOther = Bytes(kPackageBytes, 11);  // the next release, same size

std::string Answer(const std::string& status, const std::string& headers, const std::string& body) {
    return "HTTP/1.1 " + status + "\r\n" + headers + "\r\n" + body;
}

// A server that honours Range and If-Range (unless told to ignore it) for
// `data` under `etag`.
std::function<std::string(const std::string&)> Ranged(const std::string& data,
                                                      const std::string& etag,
                                                      bool ignoreIfRange = false) {
    return [=](const std::string& head) {
        const std::string range = ScriptedServer::Header(head, "Range");
        const std::string ifRange = ScriptedServer::Header(head, "If-Range");
        const std::string tag = "ETag: " + etag + "\r\n";
        if (range.empty() || (!ignoreIfRange && !ifRange.empty() && ifRange != etag))
            return Answer("200 OK", "Content-Length: " + std::to_string(data.size()) + "\r\n" + tag,
                          data);
        const std::size_t first = std::stoul(range.substr(6));
        if (first >= data.size())
            return Answer("416 Range Not Satisfiable",
                          "Content-Range: bytes */" + std::to_string(data.size()) +
                              "\r\nContent-Length: 0\r\n",
                          "");
        return Answer("206 Partial Content",
                      "Content-Range: bytes " + std::to_string(first) + "-" +
                          std::to_string(data.size() - 1) + "/" + std::to_string(data.size()) +
                          "\r\nContent-Length: " + std::to_string(data.size() - first) + "\r\n" +
                          tag,
                      data.substr(first));
    };
}

std::function<std::string(const std::string&)> Fixed(const std::string& answer) {
    return [answer](const std::string&) { return answer; };
}

std::string Served(const std::string& text) {
    return Answer("200 OK", "Content-Length: " + std::to_string(text.size()) + "\r\n", text);
}
const std::string kNotFound = Answer("404 Not Found", "Content-Length: 0\r\n", "");

// A limit on the size of files this process writes, for its lifetime; 0
// leaves the limit alone. Writes past it fail with EFBIG instead of raising
// SIGXFSZ.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(std::size_t bytes) : FActive(bytes != 0) {
        if (!FActive)
            return;
        getrlimit(RLIMIT_FSIZE, &FBefore);
        FSignal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = FBefore;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TFileSizeLimit() {
        if (!FActive)
            return;
        setrlimit(RLIMIT_FSIZE, &FBefore);
        std::signal(SIGXFSZ, FSignal);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
    bool FActive;
    rlimit FBefore{};
    void (*FSignal)(int) = SIG_DFL;
};

enum class TKey { Vendor, Broken, Dangling, None };
enum class TEnd { Downloaded, Paused, Offered };
// What else goes wrong besides the server's answers.
enum class TTrap {
    None,
    TamperBeforeInstall,  // the package changes on disk before it is installed
    SlowSignature,        // the signature trickles in, a byte at a time
    LinkedPartial,        // the partial file is a link to another file of the user's
    FullDisk,             // the cache takes no more than half the package
};

struct TRow {
    const char* Name;
    std::optional<std::string> PartialBefore;  // with a record of the package's first answer
    std::function<std::string(const std::string&)> Package;
    std::string Signature;  // the raw answer for the .minisig
    TKey Key;
    TEnd End;
    std::optional<std::string> FileAfter;  // the partial file afterwards; none: gone
    bool Notice;
    const char* Message;  // part of the message box's text, "" for none
    TTrap Trap = TTrap::None;
};

class MainWindowIntegrity : public TMainWindowTest {
protected:
    void SetUp() override {
        TMainWindowTest::SetUp();
        Keys = MakeMinisignKeys(Scratch.path(), "vendor");
        Stranger = MakeMinisignKeys(Scratch.path(), "stranger");
        const std::string offered =
            PackageTrustedComment({ProjectID, kOfferedVersion, "setup.bin"});
        Signature = SignatureOf(kPackage, Keys, offered);
        // The same release, built again and re-signed by the vendor.
        OtherSignature = SignatureOf(kOther, Keys, offered);
        StrangerSignature = SignatureOf(kPackage, Stranger, offered);
        OldRelease = SignatureOf(
            kPackage, Keys, PackageTrustedComment({ProjectID, kInstalledVersion, "setup.bin"}));
        OtherProduct = SignatureOf(
            kPackage, Keys, PackageTrustedComment({"Orbisk4Inside", kOfferedVersion, "setup.bin"}));
        Tampered = Signature;
        Tampered.replace(Tampered.find("version:4.0.0.2"), 15, "version:4.0.0.9");
        Damaged = Signature;
        Damaged[Damaged.find('\n') + 5] = '*';
    }

    std::string SignatureOf(const std::string& data, const TMinisignKeys& keys,
                            const std::string& comment) {
        const fs::path file = Scratch / ("signed" + std::to_string(++FSigned));
        WriteFile(file, data);
        MinisignSign(keys, file, comment);
        return ReadFileText(file.string() + ".minisig");
    }

    void Run(const TRow& row) {
        ScriptedServer server([&](const std::string& head) {
            const std::string target = head.substr(4, head.find(' ', 4) - 4);
            // Where a vendor's CDN would redirect the signature to.
            if (target == "/cdn/setup.bin.minisig")
                return Served(Signature);
            return target == "/pkg/setup.bin.minisig" ? row.Signature : row.Package(head);
        });
        ProjectInfo.DownloadURL = server.URL() + "/pkg";
        if (row.Key == TKey::Vendor)
            fs::copy_file(Keys.PublicKey, Home / "package-key.pub");
        if (row.Key == TKey::Broken)
            WriteFile(Home / "package-key.pub", std::string("untrusted comment: x\nnot a key\n"));
        if (row.Key == TKey::Dangling)
            fs::create_symlink(Home / "gone.pub", Home / "package-key.pub");
        const fs::path victim = Scratch / "another file of the user's";
        if (row.Trap == TTrap::LinkedPartial) {
            WriteFile(victim, *row.PartialBefore);
            fs::create_symlink(victim, Partial());
        } else if (row.PartialBefore) {
            WriteFile(Partial(), *row.PartialBefore);
        }
        if (row.PartialBefore) {
            WriteResumeRecord(Partial().string(), {kPackageBytes, "\"v1\"", false});
            UpdateState.Status = StatusDownloading;
            UpdateState.DownloadingVersion = kOfferedVersion;
        }
        TMessageBoxAnswerer boxes;
        // Writes past half the package fail as on a full disk (EFBIG).
        const TFileSizeLimit limit(row.Trap == TTrap::FullDisk ? kPackageBytes / 2 : 0);
        TfVantrelMain& w = Create();
        w.SignatureFetch->SetDeadlineMs(row.Trap == TTrap::SlowSignature ? 1500 : 30000);
        if (!row.PartialBefore)
            QTest::mouseClick(w.btnCommand, Qt::LeftButton);
        // While the signature trickles in, the window's own loop runs on.
        if (row.Trap == TTrap::SlowSignature) {
            ASSERT_TRUE(WaitUntil([&] { return w.VerifyPending(); }));
        }
        // Settled: no transfer, and the signature check has run.
        ASSERT_TRUE(WaitUntil([&] { return Idle(); }));
        if (row.Trap == TTrap::LinkedPartial) {
            EXPECT_EQ(ReadFileText(victim), *row.PartialBefore);
            EXPECT_FALSE(fs::is_symlink(Partial()));
        }

        switch (row.End) {
            case TEnd::Downloaded:
                EXPECT_EQ(UpdateState.Status, StatusDownloaded);
                EXPECT_EQ(w.Controller().btnCommandOnClick(), TMainAction::Install);
                break;
            case TEnd::Paused:
                EXPECT_EQ(UpdateState.Status, StatusDownloading);
                EXPECT_EQ(w.btnCommand->text(), QStringLiteral("Resume"));
                break;
            case TEnd::Offered:
                EXPECT_EQ(UpdateState.Status, StatusNone);
                EXPECT_EQ(w.Controller().btnCommandOnClick(), TMainAction::Download);
                break;
        }
        if (row.FileAfter)
            EXPECT_TRUE(fs::exists(Partial()) && ReadFileText(Partial()) == *row.FileAfter);
        else
            EXPECT_FALSE(fs::exists(Partial()));
        EXPECT_EQ(Notices() - NoticeBase, row.Notice ? 1u : 0u);
        if (*row.Message) {
            // The box opens once the component's event has returned, which
            // may be after the transfer went idle.
            WaitUntil([&] { return !boxes.Texts.empty(); });
            ASSERT_EQ(boxes.Texts.size(), 1u);
            EXPECT_TRUE(boxes.Texts[0].contains(QString::fromUtf8(row.Message)))
                << boxes.Texts[0].toStdString();
        } else {
            EXPECT_TRUE(boxes.Texts.empty());
        }

        if (UpdateState.Status == StatusDownloaded) {
            if (row.Trap == TTrap::TamperBeforeInstall) {
                std::string changed = kPackage;
                changed[5] ^= 1;
                WriteFile(Partial(), changed);
            }
            w.Controller().InstallClick();
        }
        // Only a release the vendor signed, and the one this row downloaded.
        for (const QUrl& opened : Opened) {
            const std::string installed = ReadFileText(opened.toLocalFile().toStdString());
            EXPECT_TRUE(installed == kPackage || installed == kOther);
            EXPECT_TRUE(row.FileAfter && installed == *row.FileAfter);
        }
        const bool installs = row.End == TEnd::Downloaded && row.Trap != TTrap::TamperBeforeInstall;
        EXPECT_EQ(Opened.size(), installs ? 1u : 0u);
        // After the hand-over only the package is left in the cache.
        if (installs) {
            std::vector<std::string> left;
            for (const auto& entry : fs::directory_iterator(Home / "cache" / "vantrel"))
                left.push_back(entry.path().filename().string());
            EXPECT_EQ(left, std::vector<std::string>{"setup.bin"});
        }
    }

    TempDir Scratch;
    std::size_t NoticeBase = 0;
    TMinisignKeys Keys, Stranger;
    std::string Signature, OtherSignature, StrangerSignature, OldRelease, OtherProduct, Tampered,
        Damaged;

private:
    int FSigned = 0;
};

TEST_F(MainWindowIntegrity, NothingButTheVendorsPackageReachesTheInstaller) {
    const std::string prefix = kPackage.substr(0, 1000);
    const std::string half = kPackage.substr(0, 100000);
    std::string flipped = kPackage;
    flipped[123456] ^= 0x20;
    const char* rejected = "could not be verified and was not installed";
    const char* notThisRelease = "for another release than the one offered";
    const char* unavailable = "its signature could not be checked";
    const std::string shortPart = Answer("206 Partial Content",
                                         "Content-Range: bytes 1000-1999/200000\r\n"
                                         "Content-Length: 1000\r\n",
                                         kPackage.substr(1000, 1000));
    const std::vector<TRow> rows = {
        {"signed package",
         {},
         Ranged(kPackage, "\"v1\""),
         Served(Signature),
         TKey::Vendor,
         TEnd::Downloaded,
         kPackage,
         true,
         ""},
        {"signed package resumed", prefix, Ranged(kPackage, "\"v1\""), Served(Signature),
         TKey::Vendor, TEnd::Downloaded, kPackage, true, ""},
        {"one byte flipped in transit",
         {},
         Ranged(flipped, "\"v1\""),
         Served(Signature),
         TKey::Vendor,
         TEnd::Offered,
         std::nullopt,
         false,
         rejected},
        {"package swapped between runs, server honours If-Range", prefix, Ranged(kOther, "\"v2\""),
         Served(OtherSignature), TKey::Vendor, TEnd::Downloaded, kOther, true, ""},
        {"package swapped between runs, server ignores If-Range", prefix,
         Ranged(kOther, "\"v2\"", true), Served(OtherSignature), TKey::Vendor, TEnd::Offered,
         std::nullopt, false, rejected},
        {"signature of another file",
         {},
         Ranged(kPackage, "\"v1\""),
         Served(OtherSignature),
         TKey::Vendor,
         TEnd::Offered,
         std::nullopt,
         false,
         rejected},
        {"signature by another key",
         {},
         Ranged(kPackage, "\"v1\""),
         Served(StrangerSignature),
         TKey::Vendor,
         TEnd::Offered,
         std::nullopt,
         false,
         rejected},
        {"tampered trusted comment",
         {},
         Ranged(kPackage, "\"v1\""),
         Served(Tampered),
         TKey::Vendor,
         TEnd::Offered,
         std::nullopt,
         false,
         rejected},
        {"damaged signature file",
         {},
         Ranged(kPackage, "\"v1\""),
         Served(Damaged),
         TKey::Vendor,
         TEnd::Offered,
         std::nullopt,
         false,
         rejected},
        {"missing signature",
         {},
         Ranged(kPackage, "\"v1\""),
         kNotFound,
         TKey::Vendor,
         TEnd::Paused,
         kPackage,
         false,
         unavailable},
        {"broken key file",
         {},
         Ranged(kPackage, "\"v1\""),
         Served(Signature),
         TKey::Broken,
         TEnd::Paused,
         kPackage,
         false,
         unavailable},
        {"key file a dangling link",
         {},
         Ranged(kPackage, "\"v1\""),
         Served(Signature),
         TKey::Dangling,
         TEnd::Paused,
         kPackage,
         false,
         unavailable},
        {"package changed on disk before installing",
         {},
         Ranged(kPackage, "\"v1\""),
         Served(Signature),
         TKey::Vendor,
         TEnd::Downloaded,
         kPackage,
         true,
         "",
         TTrap::TamperBeforeInstall},
        {"old package for new version",
         {},
         Ranged(kPackage, "\"v1\""),
         Served(OldRelease),
         TKey::Vendor,
         TEnd::Offered,
         std::nullopt,
         false,
         notThisRelease},
        {"another project's package",
         {},
         Ranged(kPackage, "\"v1\""),
         Served(OtherProduct),
         TKey::Vendor,
         TEnd::Offered,
         std::nullopt,
         false,
         notThisRelease},
        {"signature behind a redirect",
         {},
         Ranged(kPackage, "\"v1\""),
         Answer("302 Found", "Location: /cdn/setup.bin.minisig\r\nContent-Length: 0\r\n", ""),
         TKey::Vendor,
         TEnd::Downloaded,
         kPackage,
         true,
         ""},
        {"slow signature",
         {},
         Ranged(kPackage, "\"v1\""),
         ScriptedServer::Slowly(Served(Signature)),
         TKey::Vendor,
         TEnd::Paused,
         kPackage,
         false,
         unavailable,
         TTrap::SlowSignature},
        {"symlinked partial file", prefix, Ranged(kPackage, "\"v1\""), Served(Signature),
         TKey::Vendor, TEnd::Downloaded, kPackage, true, "", TTrap::LinkedPartial},
        {"full disk",
         {},
         Ranged(kPackage, "\"v1\""),
         Served(Signature),
         TKey::Vendor,
         TEnd::Paused,
         kPackage.substr(0, kPackageBytes / 2),
         false,
         "The disk is full.",
         TTrap::FullDisk},
        {"part that stops short", prefix, Fixed(shortPart), Served(Signature), TKey::Vendor,
         TEnd::Paused, kPackage.substr(0, 2000), false, ""},
        {"body without a length cut off",
         {},
         Fixed("HTTP/1.0 200 OK\r\n\r\n" + half),
         Served(Signature),
         TKey::Vendor,
         TEnd::Paused,
         half,
         false,
         ""},
        {"redirect without a Location", prefix,
         Fixed(Answer("302 Found", "Content-Length: 7\r\n", "<html/>")), Served(Signature),
         TKey::Vendor, TEnd::Paused, prefix, false, ""},
        {"empty answer to a resume", prefix, Fixed(Answer("200 OK", "Content-Length: 0\r\n", "")),
         Served(Signature), TKey::Vendor, TEnd::Paused, prefix, false, ""},
        {"resume answered 200, closed after the headers", half,
         Fixed(Answer("200 OK", "Content-Length: 200000\r\n", "")), Served(Signature), TKey::Vendor,
         TEnd::Paused, half, false, ""},
        {"complete file answered 416, signature fetched", kPackage, Ranged(kPackage, "\"v1\""),
         Served(Signature), TKey::Vendor, TEnd::Downloaded, kPackage, true, ""},
        {"without a key no signature is needed",
         {},
         Ranged(kPackage, "\"v1\""),
         kNotFound,
         TKey::None,
         TEnd::Downloaded,
         kPackage,
         true,
         ""},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        // Each row starts from a fresh cache, store and key.
        if (Window) {
            WaitUntil([this] { return Window->IEDownload->RequestCount() == 0; });
            Window.reset();
        }
        CloseTrayPopup();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        fs::remove_all(Home / "cache" / "vantrel");
        fs::create_directories(Home / "cache" / "vantrel");
        fs::remove(Home / "package-key.pub");
        fs::remove_all(Home / "config");
        UpdateState = TUpdateState{};
        UpdateState.Mode = ModeWeekly;
        Opened.clear();
        NoticeBase = Notices();
        Run(row);
    }
}

// A click handled in the instant between a transfer's end and its package's
// check ("Pause"), or as the pause that an unavailable signature brings is
// shown ("Resume"), must leave a window that settles and still closes.
TEST_F(MainWindowIntegrity, AClickAsTheTransferEndsLeavesAWindowThatCloses) {
    struct TCase {
        const char* Name;
        bool SignatureServed;
        TEnd End;
        int PackageRequests;
    };
    const TCase cases[] = {
        {"pause as the transfer ends", true, TEnd::Downloaded, 1},
        {"resume as the missing signature pauses", false, TEnd::Paused, 2},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Window.reset();
        fs::remove_all(Home / "cache" / "vantrel");
        fs::create_directories(Home / "cache" / "vantrel");
        UpdateState = TUpdateState{};
        std::atomic<int> packageRequests = 0;
        bool clickOnPause = !c.SignatureServed;
        ScriptedServer server([&](const std::string& head) {
            if (head.find(".minisig ") == std::string::npos) {
                ++packageRequests;
                return Ranged(kPackage, "\"v1\"")(head);
            }
            return c.SignatureServed ? Served(Signature) : kNotFound;
        });
        ProjectInfo.DownloadURL = server.URL() + "/pkg";
        fs::copy_file(Keys.PublicKey, Home / "package-key.pub",
                      fs::copy_options::overwrite_existing);
        TMessageBoxAnswerer boxes;
        TfVantrelMain& w = Create();
        boxes.OnBox = [&] {
            if (std::exchange(clickOnPause, false))
                QMetaObject::invokeMethod(w.btnCommand, "click", Qt::QueuedConnection);
        };
        if (c.SignatureServed) {
            const auto original = w.IEDownload->OnComplete;
            w.IEDownload->OnComplete = [&w, original](TBSCB* sender, TStream* stream,
                                                      platform::HRESULT result) {
                QMetaObject::invokeMethod(w.btnCommand, "click", Qt::QueuedConnection);
                original(sender, stream, result);
            };
        }
        QTest::mouseClick(w.btnCommand, Qt::LeftButton);
        ASSERT_TRUE(WaitUntil([&] { return packageRequests == c.PackageRequests && Idle(); }));
        EXPECT_EQ(UpdateState.Status,
                  c.End == TEnd::Downloaded ? StatusDownloaded : StatusDownloading);
        EXPECT_EQ(w.btnCommand->text(), c.End == TEnd::Downloaded
                                            ? QStringLiteral("Start installation")
                                            : QStringLiteral("Resume"));
        EXPECT_TRUE(w.close());
    }
}

}  // namespace
}  // namespace vantrel::test
