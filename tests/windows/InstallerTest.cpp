// The installer, made with a throwaway key, installed and uninstalled
// silently for the prefix's user: the files, the uninstall entry and the
// daily task; the installed programs at work; and an uninstallation that
// leaves nothing of Vantrel's and loses nothing of the user's.
#include <gtest/gtest.h>

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const wchar_t* const kUninstallKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantrel";
const wchar_t* const kInstalledFiles[] = {
    L"vantrel.exe",         L"vantrel-due.exe", L"vantrel-scheduled.exe",
    L"libstdc++-6.dll",     L"translation.dat", L"libgcc_s_seh-1.dll",
    L"libwinpthread-1.dll", L"package-key.pub", L"Uninstall.exe"};

fs::path ProgramFolder() {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH + 1);
    return fs::path(std::wstring(buffer, length)).parent_path();
}

fs::path KnownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    fs::path folder = SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path)) ? path : L"";
    CoTaskMemFree(path);
    return folder;
}

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

fs::path SystemFolder() {
    wchar_t folder[MAX_PATH + 1];
    return std::wstring(folder, GetSystemDirectoryW(folder, MAX_PATH + 1));
}

// Where the scheduler (Wine's as Windows') keeps this user's task: Wine's
// schtasks has no /Query to ask.
fs::path TaskFile() {
    wchar_t user[256] = L"";
    GetEnvironmentVariableW(L"USERNAME", user, 256);
    return SystemFolder() / L"Tasks" / (L"Vantrel (" + std::wstring(user) + L")");
}

std::wstring Quoted(const fs::path& program) {
    return L"\"" + program.native() + L"\"";
}

// Runs a command line in `folder` and waits for it: its exit code, or
// STILL_ACTIVE after a minute. The uninstaller hands its work to a copy of
// itself and returns at once: `handsOver` waits for that copy too (started
// before its parent ended, so in the process list), and returns its exit
// code. A job object would also wait for the services that Wine starts on
// the first call to its scheduler.
DWORD RunAndWait(std::wstring command, const fs::path& folder = {}, bool handsOver = false) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
        ADD_FAILURE() << "cannot start a program: error " << GetLastError();
        return STILL_ACTIVE;
    }
    CloseHandle(info.hThread);
    std::vector<HANDLE> processes = {info.hProcess};
    if (handsOver && WaitForSingleObject(info.hProcess, 60000) == WAIT_OBJECT_0) {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32FirstW(snapshot, &entry); more;
             more = Process32NextW(snapshot, &entry)) {
            if (entry.th32ParentProcessID != info.dwProcessId)
                continue;
            if (HANDLE copy = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                          entry.th32ProcessID))
                processes.push_back(copy);
        }
        CloseHandle(snapshot);
    }
    DWORD code = STILL_ACTIVE;
    for (HANDLE process : processes) {
        WaitForSingleObject(process, 60000);
        GetExitCodeProcess(process, &code);
        CloseHandle(process);
    }
    return code;
}

bool KeyExists(const wchar_t* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, name, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// A value of the uninstall entry: its text, "dword:<n>" for a number, or
// nothing when absent.
std::wstring UninstallValue(const wchar_t* name) {
    DWORD type = 0;
    wchar_t data[1024] = L"";
    DWORD size = sizeof data - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, kUninstallKey, name, RRF_RT_REG_SZ | RRF_RT_REG_DWORD,
                     &type, data, &size) != ERROR_SUCCESS)
        return {};
    if (type == REG_DWORD) {
        DWORD number = 0;
        std::memcpy(&number, data, sizeof number);
        return L"dword:" + std::to_wstring(number);
    }
    return data;
}

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        FFolder = KnownFolder(FOLDERID_LocalAppData) / L"Programs" / L"Vantrel";
        FEmpty = fs::temp_directory_path() /
                 (L"vantrel-empty-" + std::to_wstring(GetCurrentProcessId()));
        RemoveEverything();
        fs::create_directories(FEmpty);
    }
    void TearDown() override { RemoveEverything(); }
    // Before each case too, so that a failed run decides nothing later.
    void RemoveEverything() {
        RunAndWait(Quoted(SystemFolder() / L"schtasks.exe") + L" /Delete /F /TN \"" +
                   TaskFile().filename().native() + L"\"");
        RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey);
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Vantrel");
        std::error_code ignored;
        fs::remove_all(FFolder, ignored);
        fs::remove_all(FEmpty, ignored);
    }

    static DWORD Install(const std::wstring& arguments = {}) {
        fs::path installer = (ProgramFolder() / VANTREL_TEST_INSTALLER).lexically_normal();
        return RunAndWait(Quoted(installer.make_preferred()) + L" /S " + arguments);
    }

    fs::path FFolder;
    fs::path FEmpty;
};

TEST_F(InstallerTest, InstallsForTheUserRunsAndUninstallsWithoutATrace) {
    ASSERT_EQ(Install(), 0u);
    for (const wchar_t* name : kInstalledFiles)
        EXPECT_TRUE(fs::is_regular_file(FFolder / name)) << fs::path(name).string();
    EXPECT_EQ(ReadAll(FFolder / L"package-key.pub"), ReadAll(ProgramFolder() / VANTREL_TEST_KEY));
    EXPECT_EQ(ReadAll(FFolder / L"translation.dat"), ReadAll(ProgramFolder() / L"translation.dat"));
    EXPECT_EQ(UninstallValue(L"DisplayName"), L"Vantrel");
    EXPECT_EQ(UninstallValue(L"DisplayVersion"), L"" VANTREL_VERSION);
    EXPECT_EQ(UninstallValue(L"Publisher"), L"Orbisk");
    EXPECT_EQ(UninstallValue(L"InstallLocation"), FFolder.native());
    EXPECT_EQ(UninstallValue(L"UninstallString"), Quoted(FFolder / L"Uninstall.exe"));
    EXPECT_EQ(UninstallValue(L"NoModify"), L"dword:1");
    EXPECT_EQ(UninstallValue(L"NoRepair"), L"dword:1");
    EXPECT_TRUE(fs::exists(TaskFile()));

    // A quiet check finds no product in an empty folder, asks nothing and
    // saves the state. With nothing stored a check is due; after it, with
    // the update mode "never" stored, none is.
    const std::wstring due = Quoted(FFolder / L"vantrel-due.exe") + L" -q";
    EXPECT_EQ(RunAndWait(due, FEmpty), 0u);
    EXPECT_EQ(RunAndWait(Quoted(FFolder / L"vantrel.exe"), FEmpty), 0u);
    EXPECT_TRUE(KeyExists(L"Vantrel"));
    EXPECT_EQ(RunAndWait(due, FEmpty), 1u);

    // What the task starts runs the check (which writes every value) only
    // when one is due.
    const std::wstring scheduled = Quoted(FFolder / L"vantrel-scheduled.exe");
    ASSERT_EQ(RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Vantrel", L"Update Status"), ERROR_SUCCESS);
    EXPECT_EQ(RunAndWait(scheduled, FEmpty), 0u);
    EXPECT_NE(RegGetValueW(HKEY_CURRENT_USER, L"Vantrel", L"Update Status", RRF_RT_ANY, nullptr,
                           nullptr, nullptr),
              ERROR_SUCCESS);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Vantrel");
    EXPECT_EQ(RunAndWait(scheduled, FEmpty), 0u);
    EXPECT_TRUE(KeyExists(L"Vantrel"));

    EXPECT_EQ(RunAndWait(Quoted(FFolder / L"Uninstall.exe") + L" /S", {}, true), 0u);
    EXPECT_FALSE(fs::exists(FFolder));
    EXPECT_FALSE(KeyExists(kUninstallKey));
    EXPECT_FALSE(KeyExists(L"Vantrel"));
    EXPECT_FALSE(fs::exists(TaskFile()));
}

// In a folder of the user's choice, named with "&" (which the task's XML
// must escape) and outside the ANSI code page: a file in use stops a second
// installation instead of being skipped, and a file the user put there
// stays when the rest goes.
TEST_F(InstallerTest, FailsOnAFileInUseAndKeepsTheUsersFiles) {
    FFolder = KnownFolder(FOLDERID_LocalAppData) / L"Vantrel & \u00c9t\u00e9 \u03a9";
    ASSERT_EQ(Install(L"/D=" + FFolder.native()), 0u);
    EXPECT_EQ(UninstallValue(L"InstallLocation"), FFolder.native());
    EXPECT_TRUE(fs::exists(TaskFile()));

    HANDLE held = CreateFileW((FFolder / L"vantrel.exe").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Install(L"/D=" + FFolder.native()), 2u);
    CloseHandle(held);

    std::ofstream(FFolder / L"notes.txt") << "mine";
    const std::wstring uninstall = UninstallValue(L"QuietUninstallString");
    EXPECT_EQ(RunAndWait(uninstall, {}, true), 0u);
    std::set<fs::path> left;
    for (const fs::directory_entry& entry : fs::directory_iterator(FFolder))
        left.insert(entry.path().filename());
    EXPECT_EQ(left, std::set<fs::path>{L"notes.txt"});
    EXPECT_EQ(ReadAll(FFolder / L"notes.txt"), "mine");
    EXPECT_FALSE(KeyExists(kUninstallKey));
    EXPECT_FALSE(fs::exists(TaskFile()));
}

}  // namespace
