// The curl binding on the Qt loop, seen from a recording callback: call
// order, one stop, cumulative sizes, aborts and the mapped failures.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "frontend/qt/platform/UrlBinding.h"
#include "tests/frontend/qt/download/FaultServer.h"

namespace vantrel::test {
namespace {

using namespace platform;

class TRecordingCallback : public IBindStatusCallback {
public:
    HRESULT OnStartBinding(const std::shared_ptr<IBinding>& binding) override {
        Calls.push_back("start");
        Binding = binding;
        return S_OK;
    }
    HRESULT GetPriority() override { return S_OK; }
    HRESULT OnLowResource() override { return S_OK; }
    HRESULT OnProgress(std::uint64_t progress, std::uint64_t max, std::uint32_t status,
                       const std::string&) override {
        if (status == BINDSTATUS_DOWNLOADINGDATA) {
            ++Downloading;
            LastProgress = progress;
            LastMax = max;
        }
        return S_OK;
    }
    HRESULT OnStopBinding(HRESULT result, const std::string&) override {
        Calls.push_back("stop");
        Results.push_back(result);
        return S_OK;
    }
    HRESULT GetBindInfo(std::uint32_t& flags, TBindInfo&) override {
        Calls.push_back("bindinfo");
        flags = BINDF_ASYNCHRONOUS;
        return S_OK;
    }
    HRESULT OnDataAvailable(std::uint32_t flags, std::uint64_t size, std::uint32_t medium,
                            TBindStream* stream) override {
        if (Calls.back() != "data") {
            Calls.push_back("data");
        }
        if (flags & BSCF_FIRSTDATANOTIFICATION) {
            FirstFlagCount++;
            EXPECT_EQ(medium, TYMED_ISTREAM);
            Stream = stream;
        }
        EXPECT_GE(size, LastSize);
        LastSize = size;
        std::vector<char> buffer(size);
        while (std::uint32_t n = Stream->Read(buffer.data(), static_cast<std::uint32_t>(size))) {
            Received.append(buffer.data(), n);
        }
        if (AbortInData) {
            Binding->Abort();
        }
        return S_OK;
    }
    HRESULT OnObjectAvailable() override { return S_OK; }
    HRESULT BeginningTransaction(const std::string&, const std::string&, std::uint32_t,
                                 std::string& additional) override {
        Calls.push_back("transaction");
        additional = "X-Probe: 1\r\n";
        return S_OK;
    }
    HRESULT OnResponse(std::uint32_t code, const std::string&, const std::string&,
                       std::string&) override {
        Calls.push_back("response");
        Code = code;
        ContentLength = Binding->ContentLength();
        AcceptRanges = Binding->ResponseHeader("accept-ranges");
        return AbortInResponse ? E_ABORT : S_OK;
    }
    HRESULT Authenticate(std::string&, std::string&) override { return S_OK; }
    HRESULT OnSecurityProblem(std::uint32_t) override { return S_OK; }

    // Binds `url` and waits for the stop.
    bool Bind(const std::string& url) {
        TQtUrlBinder binder;
        if (binder.BindToStorage(url, *this) != MK_S_ASYNCHRONOUS) {
            return false;
        }
        return QTest::qWaitFor([this] { return !Results.empty(); }, 15000);
    }

    std::shared_ptr<IBinding> Binding;
    std::vector<std::string> Calls;
    std::vector<HRESULT> Results;
    std::string Received;
    TBindStream* Stream = nullptr;
    std::uint32_t Code = 0;
    std::uint64_t LastSize = 0, LastProgress = 0, LastMax = 0;
    int Downloading = 0, FirstFlagCount = 0;
    std::optional<std::uint64_t> ContentLength;
    std::optional<std::string> AcceptRanges;
    bool AbortInResponse = false, AbortInData = false;
};

TEST(UrlBinding, NotifiesInOrderAndStopsOnce) {
    TFaultServer server;
    TRecordingCallback callback;
    ASSERT_TRUE(callback.Bind(server.URL("/pkg")));
    // Nothing arrives after the stop.
    QTest::qWait(50);
    EXPECT_EQ(callback.Calls, (std::vector<std::string>{"start", "bindinfo", "transaction",
                                                        "response", "data", "stop"}));
    EXPECT_EQ(callback.Results, std::vector<HRESULT>{S_OK});
    EXPECT_EQ(callback.Received, server.Package());
    EXPECT_EQ(callback.FirstFlagCount, 1);
    EXPECT_EQ(callback.Code, 200u);
    EXPECT_EQ(callback.ContentLength, std::optional<std::uint64_t>(kPackageSize));
    EXPECT_EQ(callback.AcceptRanges, std::optional<std::string>("bytes"));
    EXPECT_EQ(callback.LastProgress, kPackageSize);
    EXPECT_EQ(callback.LastMax, kPackageSize);
    EXPECT_EQ(server.Requests().at(0).Header("X-Probe"), "1");
}

TEST(UrlBinding, AbortFromAnyCallbackStopsWithAbort) {
    TFaultServer server;
    TRecordingCallback inResponse;
    inResponse.AbortInResponse = true;
    ASSERT_TRUE(inResponse.Bind(server.URL("/pkg")));
    EXPECT_EQ(inResponse.Results, std::vector<HRESULT>{E_ABORT});
    EXPECT_TRUE(inResponse.Received.empty());

    TRecordingCallback inData;
    inData.AbortInData = true;
    ASSERT_TRUE(inData.Bind(server.URL("/big")));
    QTest::qWait(50);
    EXPECT_EQ(inData.Results, std::vector<HRESULT>{E_ABORT});
    EXPECT_LT(inData.Received.size(), kBigSize);
}

TEST(UrlBinding, OwnFailuresMapToDistinctCodes) {
    TFaultServer server;
    TRecordingCallback refused;
    ASSERT_TRUE(refused.Bind("http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/"));
    EXPECT_EQ(refused.Results, std::vector<HRESULT>{INET_E_CANNOT_CONNECT});

    TRecordingCallback dropped;
    ASSERT_TRUE(dropped.Bind(server.URL("/drop")));
    EXPECT_EQ(dropped.Results, std::vector<HRESULT>{INET_E_DOWNLOAD_FAILURE});

    const TQtUrlBinder binder;
    EXPECT_EQ(binder.IsValidURL("ftp://host/file"), S_FALSE);
    EXPECT_EQ(binder.IsValidURL("http://"), S_FALSE);
    EXPECT_EQ(binder.IsValidURL("HTTPS://host/p?q=1"), S_OK);
}

TEST(UrlBinding, LoopbackTransferDoesNotFloodTheLoop) {
    TFaultServer server;
    TRecordingCallback callback;
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(callback.Bind(server.URL("/big")));
    EXPECT_EQ(callback.Received, server.Big());
    // One progress per 100 ms at most, plus the first and the final ones.
    EXPECT_LE(callback.Downloading, clock.elapsed() / 100 + 3);
}

}  // namespace
}  // namespace vantrel::test
