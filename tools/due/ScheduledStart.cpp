// vantrel-scheduled: what the daily scheduled task starts on Windows, in the
// part the systemd user service plays on Linux. It asks vantrel-due beside
// it whether a check is due and only then runs vantrel, in the task's
// working directory (the product's), waiting for it to end.
//
// The scheduler cannot make a start depend on another program's answer,
// and vantrel-due is a console program, which the scheduler would start in
// a console window on the user's desktop every day; this program has no
// console and starts vantrel-due without one.
//
// Waiting matters: while vantrel sits in the tray the task still runs, and
// the scheduler starts nothing new for it (the task ignores new starts while
// one runs), as systemd starts nothing while the service is active.
//
// Exit code: vantrel's own when it ran; 0 when no check was due; vantrel-due's
// when it could not answer (2); 127 when either program could not be started.
#include <windows.h>

#include <optional>
#include <string>

namespace {

constexpr int kExitCannotStart = 127;
constexpr DWORD kDue = 0;
constexpr DWORD kNotDue = 1;

std::wstring ProgramFolder() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    return buffer.substr(0, buffer.find_last_of(L'\\') + 1);
}

// Runs a program by its full path and waits for it; its exit code, or
// nothing when it could not be started. Never a bare name: the search
// order would try the working directory first.
std::optional<DWORD> RunAndWait(const std::wstring& program, const std::wstring& arguments,
                                DWORD flags) {
    std::wstring command = L"\"" + program + L"\"";
    if (!arguments.empty())
        command += L" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr,
                        &startup, &info))
        return std::nullopt;
    CloseHandle(info.hThread);
    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 0;
    const bool known = GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hProcess);
    if (!known)
        return std::nullopt;
    return code;
}

}  // namespace

int main() {
    const std::wstring folder = ProgramFolder();
    if (folder.empty())
        return kExitCannotStart;
    const std::optional<DWORD> due =
        RunAndWait(folder + L"vantrel-due.exe", L"-q", CREATE_NO_WINDOW);
    if (!due)
        return kExitCannotStart;
    if (*due == kNotDue)
        return 0;
    if (*due != kDue)
        return static_cast<int>(*due);
    const std::optional<DWORD> run = RunAndWait(folder + L"vantrel.exe", L"", 0);
    return run ? static_cast<int>(*run) : kExitCannotStart;
}
