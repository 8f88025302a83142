// One request of the download component, from the binding's notifications
// to the result it reports and the bytes it leaves on disk: the resume
// decision, the idle time-out and the cancel flag.
//
// The Qt-free test program has no event loop and no network binding, so a
// scripted binding delivers the notifications here and the timers fire when
// told; the front end's tests run the same component against real servers.
#include <gtest/gtest.h>

// The cache files are opened the POSIX way only, so far.
#ifndef _WIN32

#include <map>
#include <optional>
#include <vector>

#include "tests/support/TempDir.h"
#include "window/download/BSCB.h"
#include "window/download/IEDownload.h"
#include "window/download/ResumeRecord.h"
#include "window/download/Timers.h"
#include "window/download/UrlBinding.h"

namespace vantrel::test {
namespace {

using namespace platform;

// Timers that fire only when the test says so.
class TManualTimers : public ITimers {
public:
    class TTimer : public ITimer {
    public:
        TTimer(TManualTimers& owner, std::function<void()> onTimeout)
            : FOwner(owner), OnTimeout(std::move(onTimeout)) {
            FOwner.FTimers.push_back(this);
        }
        ~TTimer() override { std::erase(FOwner.FTimers, this); }
        void Start(std::int32_t intervalMs) override {
            Interval = intervalMs;
            ++Starts;
        }
        void Stop() override { Interval.reset(); }
        bool Active() const override { return Interval.has_value(); }

        TManualTimers& FOwner;
        std::function<void()> OnTimeout;
        std::optional<std::int32_t> Interval;
        int Starts = 0;
    };

    std::unique_ptr<ITimer> CreateTimer(TTimerKind, std::function<void()> onTimeout) override {
        return std::make_unique<TTimer>(*this, std::move(onTimeout));
    }
    void Post(std::function<void()> task) override { Posted.push_back(std::move(task)); }

    // Fires every running timer once, as single-shot timers.
    void FireAll() {
        for (TTimer* timer : std::vector<TTimer*>(FTimers)) {
            if (timer->Active()) {
                timer->Stop();
                timer->OnTimeout();
            }
        }
    }
    TTimer* Only() { return FTimers.size() == 1 ? FTimers[0] : nullptr; }

    std::vector<TTimer*> FTimers;
    std::vector<std::function<void()>> Posted;
};

// One binding, stepped by the test in the order a real one reports.
class TScript : public IBinding {
public:
    void Abort() override { Aborted = true; }
    void Detach() override { Callback = nullptr; }
    std::optional<std::string> ResponseHeader(std::string_view name) const override {
        const auto found = Headers.find(std::string(name));
        return found == Headers.end() ? std::nullopt : std::optional(found->second);
    }

    // Start, bind info and the beginning of the transaction.
    HRESULT Begin(const std::shared_ptr<TScript>& self) {
        HRESULT hr = Callback->OnStartBinding(self);
        Callback->GetPriority();
        TBindInfo info;
        std::uint32_t flags = 0;
        if (Succeeded(hr))
            hr = Callback->GetBindInfo(flags, info);
        if (Succeeded(hr))
            hr = Callback->BeginningTransaction("http://host/setup.exe", {}, 0, SentHeaders);
        return hr;
    }
    HRESULT Respond(std::uint32_t status, std::map<std::string, std::string> headers) {
        Headers = std::move(headers);
        std::string more;
        return Callback->OnResponse(status, {}, SentHeaders, more);
    }
    void Data(const std::string& bytes) {
        Stream.Append(bytes.data(), bytes.size());
        Received += bytes.size();
        const std::uint32_t flags = First ? BSCF_FIRSTDATANOTIFICATION : 0;
        First = false;
        Callback->OnDataAvailable(flags, Received, TYMED_ISTREAM, &Stream);
    }
    // The one stop; an aborted binding stops with E_ABORT whatever it was told.
    void Stop(HRESULT result) {
        IBindStatusCallback* callback = std::exchange(Callback, nullptr);
        if (callback)
            callback->OnStopBinding(Aborted ? E_ABORT : result, {});
    }

    IBindStatusCallback* Callback = nullptr;
    std::map<std::string, std::string> Headers;
    std::string SentHeaders;
    TBindStream Stream;
    std::uint64_t Received = 0;
    bool First = true;
    bool Aborted = false;
};

class TScriptedBinder : public IUrlBinder {
public:
    HRESULT IsValidURL(const std::string& url) const override {
        return url.rfind("http://", 0) == 0 ? S_OK : S_FALSE;
    }
    HRESULT BindToStorage(const std::string&, IBindStatusCallback& callback) override {
        Last = std::make_shared<TScript>();
        Last->Callback = &callback;
        return MK_S_ASYNCHRONOUS;
    }
    std::shared_ptr<TScript> Last;
};

struct TEnd {
    HRESULT Result = S_OK;
    std::uint32_t ResponseCode = 0;
};

// The component as the main window configures it, on the scripted binding.
class TRequestRun {
public:
    TRequestRun() : D(Binder, Timers) {
        D.TimeOut = 5000;
        D.SetOptions({TBindInfoOption::Asynchronous, TBindInfoOption::GetNewestVersion,
                      TBindInfoOption::NoWriteCache});
        D.OnComplete = [this](TBSCB* sender, TStream*, HRESULT result) {
            Ends.push_back({result, sender ? sender->ResponseCode : 0});
        };
    }
    TScript& Start(const std::string& file) {
        D.Download("http://host/setup.exe", file);
        EXPECT_TRUE(Binder.Last);
        EXPECT_TRUE(Succeeded(Binder.Last->Begin(Binder.Last)));
        return *Binder.Last;
    }

    TScriptedBinder Binder;
    TManualTimers Timers;
    TIEDownload D;
    std::vector<TEnd> Ends;
};

const std::string kPackage = [] {
    std::string bytes(3000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7 + i / 256);
    return bytes;
}();
const std::string kChanged = std::string(3000, 'n');
const std::string kHead = kPackage.substr(0, 1000);

TEST(DownloadRequest, ResumeDecisions) {
    using THeaders = std::map<std::string, std::string>;
    struct TRow {
        const char* Name;
        std::string FileBefore;
        TResumeRecord RecordBefore;
        const char* RangeSent;  // "": no Range header at all
        std::uint32_t Status;
        THeaders Headers;
        std::string Body;
        HRESULT StopWith;
        TEnd End;
        std::string FileAfter;
        bool RestartAfter;
    } rows[] = {
        {"a part from the file's end continues it",
         kHead,
         {3000, "\"v1\"", false},
         "Range: bytes=1000-\r\nIf-Range: \"v1\"\r\n",
         206,
         THeaders{{"Content-Range", "bytes 1000-2999/3000"}, {"Content-Length", "2000"}},
         kPackage.substr(1000),
         S_OK,
         {S_OK, 206},
         kPackage,
         false},
        {"the whole of a changed package replaces the file",
         kHead,
         {3000, "\"v1\"", false},
         "Range: bytes=1000-",
         200,
         THeaders{{"Content-Length", "3000"}},
         kChanged,
         S_OK,
         {S_OK, 200},
         kChanged,
         false},
        {"a whole answer that brings nothing leaves the file",
         kHead,
         {3000, "\"v1\"", false},
         "Range: bytes=1000-",
         200,
         THeaders{{"Content-Length", "3000"}},
         "",
         INET_E_DOWNLOAD_FAILURE,
         {INET_E_DOWNLOAD_FAILURE, 200},
         kHead,
         false},
        {"416 to a file of the recorded total is complete",
         kPackage,
         {3000, "\"v1\"", false},
         "Range: bytes=3000-",
         416,
         THeaders{{"Content-Range", "bytes */3000"}},
         "",
         E_ABORT,
         {E_ABORT, 416},
         kPackage,
         false},
        {"416 the sizes do not back gives the file up",
         kHead,
         {3000, "\"v1\"", false},
         "Range: bytes=1000-",
         416,
         THeaders{{"Content-Range", "bytes */3000"}},
         "",
         E_ABORT,
         {INET_E_DOWNLOAD_FAILURE, 416},
         kHead,
         true},
        {"a part from elsewhere is refused",
         kHead,
         {3000, "\"v1\"", false},
         "Range: bytes=1000-",
         206,
         THeaders{{"Content-Range", "bytes 0-2999/3000"}},
         kPackage,
         S_OK,
         {INET_E_DOWNLOAD_FAILURE, 206},
         kHead,
         false},
        {"a part of another total gives the file up",
         kHead,
         {3000, "\"v1\"", false},
         "Range: bytes=1000-",
         206,
         THeaders{{"Content-Range", "bytes 1000-3999/4000"}},
         std::string(3000, 'x'),
         S_OK,
         {INET_E_DOWNLOAD_FAILURE, 206},
         kHead,
         true},
        {"a given-up file asks for all of the package",
         kHead,
         {3000, "\"v1\"", true},
         "",
         200,
         THeaders{{"Content-Length", "3000"}},
         kPackage,
         S_OK,
         {S_OK, 200},
         kPackage,
         false},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TempDir dir;
        const std::string file = (dir / "setup.exe.tmp").string();
        WriteFile(file, row.FileBefore);
        ASSERT_TRUE(WriteResumeRecord(file, row.RecordBefore));

        TRequestRun run;
        TScript& script = run.Start(file);
        if (*row.RangeSent)
            EXPECT_NE(script.SentHeaders.find(row.RangeSent), std::string::npos)
                << script.SentHeaders;
        else
            EXPECT_EQ(script.SentHeaders.find("Range:"), std::string::npos) << script.SentHeaders;
        const auto binding = run.Binder.Last;
        if (Succeeded(script.Respond(row.Status, row.Headers)) && !script.Aborted &&
            !row.Body.empty())
            script.Data(row.Body);
        script.Stop(row.StopWith);

        ASSERT_FALSE(run.Ends.empty());
        EXPECT_EQ(run.Ends.back().Result, row.End.Result);
        EXPECT_EQ(run.Ends.back().ResponseCode, row.End.ResponseCode);
        EXPECT_EQ(run.D.RequestCount(), 0u);
        EXPECT_TRUE(ReadFileText(file) == row.FileAfter);
        const auto record = ReadResumeRecord(file);
        EXPECT_EQ(record && record->Restart, row.RestartAfter);
    }
}

// A link in the partial file's place is removed, never written through.
TEST(DownloadRequest, ALinkInTheFilesPlaceStartsOver) {
    TempDir dir;
    const std::string target = (dir / "elsewhere").string();
    const std::string file = (dir / "setup.exe.tmp").string();
    WriteFile(target, kHead);
    std::filesystem::create_symlink(target, file);
    TRequestRun run;
    TScript& script = run.Start(file);
    EXPECT_EQ(script.SentHeaders.find("Range:"), std::string::npos);
    ASSERT_EQ(script.Respond(200, {{"Content-Length", "3000"}}), S_OK);
    script.Data(kPackage);
    script.Stop(S_OK);
    EXPECT_EQ(run.Ends.back().Result, S_OK);
    EXPECT_FALSE(std::filesystem::is_symlink(file));
    EXPECT_TRUE(ReadFileText(file) == kPackage);
    EXPECT_EQ(ReadFileText(target), kHead);
}

TEST(DownloadRequest, IdleTimeOutAndCancelEndTheTransfer) {
    TempDir dir;
    // Data restarts the idle count; silence for the whole time-out ends the
    // request as timed out, not as aborted.
    {
        TRequestRun run;
        TScript& script = run.Start((dir / "a").string());
        ASSERT_EQ(script.Respond(200, {{"Content-Length", "3000"}}), S_OK);
        auto* timer = run.Timers.Only();
        ASSERT_NE(timer, nullptr);
        EXPECT_EQ(timer->Interval, 5000);
        script.Data(kHead);
        EXPECT_EQ(timer->Starts, 2);
        run.Timers.FireAll();
        EXPECT_TRUE(script.Aborted);
        script.Stop(E_ABORT);
        EXPECT_EQ(run.Ends.back().Result, INET_E_CONNECTION_TIMEOUT);
        EXPECT_EQ(run.Timers.FTimers.size(), 0u);
    }
    // A time-out of 0 never fires.
    {
        TRequestRun run;
        run.D.TimeOut = 0;
        TScript& script = run.Start((dir / "b").string());
        ASSERT_NE(run.Timers.Only(), nullptr);
        EXPECT_FALSE(run.Timers.Only()->Active());
        script.Respond(200, {{"Content-Length", "3000"}});
        script.Data(kPackage);
        script.Stop(S_OK);
        EXPECT_EQ(run.Ends.back().Result, S_OK);
    }
    // The cancel flag aborts at the next notification; the pause keeps the
    // bytes that arrived.
    {
        TRequestRun run;
        const std::string file = (dir / "c").string();
        TScript& script = run.Start(file);
        script.Respond(200, {{"Content-Length", "3000"}});
        script.Data(kHead);
        run.D.Cancel();
        script.Data(kHead);
        EXPECT_TRUE(script.Aborted);
        script.Stop(S_OK);
        EXPECT_EQ(run.Ends.back().Result, E_ABORT);
        EXPECT_TRUE(ReadFileText(file) == kHead);
    }
}

}  // namespace
}  // namespace vantrel::test

#endif  // _WIN32
