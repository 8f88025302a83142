// "vantrel /showinfo" against a server that is down: the real program loads
// the window module, shows the error dialog offscreen and ends when the
// dialog is closed. The module's test hook VANTREL_TEST_CLOSE_DIALOG makes
// the dialog print what it shows and press its own Close button.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/Dates.h"
#include "platform/RegistryStore.h"
#include "protocol/ServerMessages.h"
#include "tests/e2e/ChildProcess.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TempDir.h"
#include "tools/sample/PeFixture.h"

namespace vantrel::test {
namespace {

namespace fs = std::filesystem;

// The dialog's report of one text, with its line breaks written as "\r\n".
std::string Escaped(std::string text) {
    for (std::size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += 4)
        text.replace(at, 2, "\\r\\n");
    return text;
}

class ErrorDialogRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const fs::path& dir : {FHome, FConfig, FCache, FRuntime, FWork})
            fs::create_directories(dir);
        WritePeLibrary(FWork / "kvoutlook.dll", 4, 0, 0, 0);
        platform::TRegistryStore(FConfig / "vantrel" / "user.reg")
            .EditKey("Vantrel", [&](platform::TRegKey& key) {
                const TDateTime next = FNext;
                const auto* bytes = reinterpret_cast<const std::uint8_t*>(&next);
                key.Set("Next Scheduled Update",
                        {platform::RegBinary, {bytes, bytes + sizeof next}});
                key.Set("Update Mode", {platform::RegBinary, {2}});  // weekly
            });
    }

    std::vector<std::string> Environment() const {
        // Nothing listens on this port: the query fails to connect.
        return {"HOME=" + FHome.string(),
                "XDG_CONFIG_HOME=" + FConfig.string(),
                "XDG_CACHE_HOME=" + FCache.string(),
                "XDG_RUNTIME_DIR=" + FRuntime.string(),
                "VANTREL_SERVER=http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()),
                "VANTREL_NOW=2025-01-30T10:00:00",
                "VANTREL_TEST_CLOSE_DIALOG=1",
                "QT_QPA_PLATFORM=offscreen",
                "LC_ALL=C.UTF-8",
                "PATH=/usr/bin:/bin"};
    }

    std::optional<TDateTime> StoredNext() const {
        const auto key =
            platform::TRegistryStore(FConfig / "vantrel" / "user.reg").ReadKey("Vantrel");
        if (!key)
            return std::nullopt;
        const platform::TRegValue* value = key->Find("Next Scheduled Update");
        if (value == nullptr || value->Data.size() != sizeof(TDateTime))
            return std::nullopt;
        TDateTime next = 0;
        std::memcpy(&next, value->Data.data(), sizeof next);
        return next;
    }

    TempDir FRoot;
    fs::path FHome = FRoot / "home", FConfig = FRoot / "config", FCache = FRoot / "cache",
             FRuntime = FRoot / "runtime", FWork = FRoot / "work";
    const TDateTime FNext = EncodeDate(2025, 1, 1);
};

TEST_F(ErrorDialogRunTest, AServerThatIsDownShowsTheConnectionErrorAndClosingEndsTheRun) {
    const std::string error = ConnectionErrorMessage();
    const std::string heading = error.substr(0, error.find("\r\n"));
    const std::string lines = error.substr(heading.size() + 2);

    struct TRunCase {
        const char* Language;
        std::string Message;
    };
    const TRunCase runs[] = {
        {nullptr, lines},
        // The shipped dictionary translates the lines but never the heading.
        {"/lang:Deutsch",
         "Vom Vantrel-Server konnten keine Daten gelesen werden\r\n"
         "Bitte prüfen Sie die Internetverbindung oder versuchen Sie es später erneut."},
    };
    for (const TRunCase& run : runs) {
        SCOPED_TRACE(run.Language ? run.Language : "English");
        std::vector<std::string> args{"/showinfo"};
        if (run.Language)
            args.emplace_back(run.Language);
        TChildProcess vantrel(BinDir() / "vantrel", args, Environment(), FWork);
        EXPECT_EQ(vantrel.Wait(), 0) << vantrel.Err();
        EXPECT_NE(vantrel.Out().find("caption: Vantrel\n"), std::string::npos) << vantrel.Out();
        EXPECT_NE(vantrel.Out().find("heading: " + heading + "\n"), std::string::npos)
            << vantrel.Out();
        EXPECT_NE(vantrel.Out().find("message: " + Escaped(run.Message) + "\n"), std::string::npos)
            << vantrel.Out();
        EXPECT_EQ(StoredNext(), FNext);  // a failed query does not move the date
    }
}

TEST_F(ErrorDialogRunTest, WithoutADisplayTheDialogIsGivenUpAndTheStateStillSaved) {
    std::vector<std::string> environment;
    for (const std::string& entry : Environment())
        if (entry.rfind("QT_QPA_PLATFORM=", 0) != 0)
            environment.push_back(entry);
    TChildProcess vantrel(BinDir() / "vantrel", {"/showinfo"}, environment, FWork);
    EXPECT_EQ(vantrel.Wait(), 0) << vantrel.Err();
    EXPECT_NE(vantrel.Err().find("no display: the error dialog would have been shown: "),
              std::string::npos)
        << vantrel.Err();
    EXPECT_EQ(StoredNext(), FNext);
}

}  // namespace
}  // namespace vantrel::test
