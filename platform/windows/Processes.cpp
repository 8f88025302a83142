#include "platform/Processes.h"

// windows.h first: the other system headers build on it.
#include <windows.h>

#include <tlhelp32.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "platform/windows/Win32Text.h"

namespace vantrel::platform {
namespace {

struct THandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using THandle = std::unique_ptr<void, THandleCloser>;

THandle OpenProcessFor(DWORD access, pid_t pid) {
    return THandle(OpenProcess(access, FALSE, static_cast<DWORD>(pid)));
}

// The user a process runs as, as the bytes of its SID; empty when it cannot
// be asked (another user's process usually cannot).
std::vector<unsigned char> ProcessUserSid(HANDLE process) {
    HANDLE rawToken = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &rawToken))
        return {};
    THandle token(rawToken);
    DWORD size = 0;
    GetTokenInformation(rawToken, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    if (size == 0 || !GetTokenInformation(rawToken, TokenUser, buffer.data(), size, &size))
        return {};
    const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
    const auto* sid = static_cast<const unsigned char*>(user->User.Sid);
    return {sid, sid + GetLengthSid(user->User.Sid)};
}

bool SameUser(pid_t pid, const std::vector<unsigned char>& ownSid) {
    if (static_cast<DWORD>(pid) == GetCurrentProcessId())
        return true;
    const THandle process = OpenProcessFor(PROCESS_QUERY_LIMITED_INFORMATION, pid);
    return process && ProcessUserSid(process.get()) == ownSid;
}

bool SameNameIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

struct TPostRequest {
    DWORD Pid;
    UINT Message;
    WPARAM WParam;
    LPARAM LParam;
    bool Posted = false;
};

BOOL CALLBACK PostToWindowOfProcess(HWND window, LPARAM data) {
    // NOLINTNEXTLINE(performance-no-int-to-ptr): EnumWindows hands our pointer back as an LPARAM
    auto* request = reinterpret_cast<TPostRequest*>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == request->Pid &&
        PostMessageW(window, request->Message, request->WParam, request->LParam))
        request->Posted = true;
    return TRUE;
}

}  // namespace

std::vector<TProcess> FindProcessesByExeName(const std::string& exeName) {
    std::vector<TProcess> found;
    const THandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE)
        return found;
    const std::wstring wanted = WideFromUtf8(exeName);
    const THandle self = OpenProcessFor(PROCESS_QUERY_LIMITED_INFORMATION,
                                        static_cast<pid_t>(GetCurrentProcessId()));
    const std::vector<unsigned char> ownSid =
        self ? ProcessUserSid(self.get()) : std::vector<unsigned char>();
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        const auto pid = static_cast<pid_t>(entry.th32ProcessID);
        if (SameNameIgnoringAsciiCase(entry.szExeFile, wanted) && SameUser(pid, ownSid))
            found.push_back(TProcess{pid});
    }
    return found;
}

bool IsCurrentProcess(const TProcess& process) {
    return static_cast<DWORD>(process.Pid) == GetCurrentProcessId();
}

bool TerminateProcessWithCode(const TProcess& process, int exitCode) {
    const THandle handle = OpenProcessFor(PROCESS_TERMINATE, process.Pid);
    return handle && TerminateProcess(handle.get(), static_cast<UINT>(exitCode));
}

bool WaitForProcessEnd(const TProcess& process, int timeoutMs) {
    const THandle handle = OpenProcessFor(SYNCHRONIZE, process.Pid);
    if (!handle)
        return GetLastError() == ERROR_INVALID_PARAMETER;  // no such process any more
    return WaitForSingleObject(handle.get(), static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0;
}

// Every top-level window of the process, hidden ones too: a running instance
// whose main window is hidden must still hear it.
bool PostToProcessWindows(const TProcess& process, std::uint32_t message, std::intptr_t wParam,
                          std::intptr_t lParam) {
    TPostRequest request{static_cast<DWORD>(process.Pid), message, static_cast<WPARAM>(wParam),
                         static_cast<LPARAM>(lParam)};
    EnumWindows(PostToWindowOfProcess, reinterpret_cast<LPARAM>(&request));
    return request.Posted;
}

std::string CurrentExeName() {
    return Utf8FromWide(OwnExecutablePath().filename().native());
}

}  // namespace vantrel::platform
