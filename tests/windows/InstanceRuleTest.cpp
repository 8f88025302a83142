// The single-instance rule on Windows, with the real program: a start while
// an instance runs ends at once and leaves it running; "/uninstall" ends it
// and deletes the state key. The running instance is held in its query by a
// server that accepts the connection and never answers.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/windows/SilentServer.h"

namespace {

std::filesystem::path ProgramFolder() {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH + 1);
    return std::filesystem::path(std::wstring(buffer, length)).parent_path();
}

class InstanceRuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, temp);
        FProduct = std::filesystem::path(temp) /
                   (L"vantrel-instance-" + std::to_wstring(GetCurrentProcessId()));
        std::filesystem::create_directories(FProduct);
        // Any library with a version resource is an installed edition.
        wchar_t system[MAX_PATH + 1];
        const UINT length = GetSystemDirectoryW(system, MAX_PATH + 1);
        std::filesystem::copy_file(
            std::filesystem::path(std::wstring(system, length)) / L"wininet.dll",
            FProduct / L"kvoutlook.dll");
        SetEnvironmentVariableW(L"VANTREL_SERVER", FServer.URL().c_str());
    }
    void TearDown() override {
        for (HANDLE process : FStarted) {
            TerminateProcess(process, 1);
            CloseHandle(process);
        }
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Vantrel");
        std::filesystem::remove_all(FProduct);
    }

    HANDLE Start(const std::wstring& arguments = {}) {
        std::wstring command = L"\"" + (ProgramFolder() / L"vantrel.exe").native() + L"\"";
        if (!arguments.empty())
            command += L" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        EXPECT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   FProduct.c_str(), &startup, &info));
        CloseHandle(info.hThread);
        FStarted.push_back(info.hProcess);
        return info.hProcess;
    }

    // The exit code once the process has ended within `ms`; STILL_ACTIVE
    // when it has not.
    static DWORD ExitCodeWithin(HANDLE process, DWORD ms) {
        WaitForSingleObject(process, ms);
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(process, &code);
        return code;
    }

    vantrel::test::TSilentServer FServer;
    std::filesystem::path FProduct;
    std::vector<HANDLE> FStarted;
};

TEST_F(InstanceRuleTest, ASecondStartEndsAtOnceAndUninstallEndsTheInstance) {
    // The instance registers before it asks the server anything: once its
    // query has arrived it is the instance, and it waits for an answer.
    HANDLE first = Start();
    ASSERT_TRUE(FServer.AcceptWithin(30000));

    HANDLE second = Start(L"/showinfo");
    EXPECT_EQ(ExitCodeWithin(second, 20000), 0u);
    EXPECT_EQ(ExitCodeWithin(first, 0), STILL_ACTIVE);

    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Vantrel", 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    HANDLE uninstall = Start(L"/UNINSTALL");
    EXPECT_EQ(ExitCodeWithin(uninstall, 20000), 0u);
    EXPECT_EQ(ExitCodeWithin(first, 20000), 0u);
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Vantrel", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
}

}  // namespace
