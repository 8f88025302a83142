#include "platform/InstanceRegistration.h"

// windows.h first: the other system headers build on it.
#include <windows.h>

#include <sddl.h>

#include <vector>

#include "platform/windows/Win32Text.h"

namespace vantrel::platform {
namespace {

// The user's SID as text ("S-1-5-21-..."); empty when the token cannot be read.
std::wstring OwnSidText() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return {};
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    std::wstring text;
    wchar_t* sidText = nullptr;
    if (size > 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size) &&
        ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &sidText)) {
        text = sidText;
        LocalFree(sidText);
    }
    CloseHandle(token);
    return text;
}

ULONGLONG CreationTime(pid_t pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr)
        return ~0ULL;
    FILETIME created{}, exited{}, kernel{}, user{};
    ULONGLONG time = ~0ULL;
    if (GetProcessTimes(process, &created, &exited, &kernel, &user))
        time = (ULONGLONG{created.dwHighDateTime} << 32) | created.dwLowDateTime;
    CloseHandle(process);
    return time;
}

// The instance that holds the registration. The mutex does not name its
// owner, so it is taken from the process list: the oldest other process of
// this program and user, because the registration lasts from the owner's
// start to its end, while starts younger than it are still deciding.
std::optional<TProcess> OldestOtherInstance() {
    std::optional<TProcess> oldest;
    ULONGLONG oldestTime = ~0ULL;
    for (const TProcess& process : FindProcessesByExeName(CurrentExeName())) {
        if (IsCurrentProcess(process))
            continue;
        const ULONGLONG time = CreationTime(process.Pid);
        if (!oldest || time < oldestTime) {
            oldest = process;
            oldestTime = time;
        }
    }
    return oldest;
}

}  // namespace

// A mutex in the global namespace, named with the user's SID, so that the
// user's starts in every session (a second desktop, a remote one) meet it.
// Ownership, not existence, is the registration: taking it is atomic, and the
// system hands it on (as abandoned) when its owner ends however it ends. The
// handle is kept open until the process ends.
TInstanceClaim ClaimInstance() {
    const std::wstring sid = OwnSidText();
    if (sid.empty())
        return {};
    const std::wstring name = L"Global\\Vantrel-" + sid;
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
    if (mutex == nullptr)
        return {};
    const DWORD waited = WaitForSingleObject(mutex, 0);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED)
        return {true, false, std::nullopt};
    CloseHandle(mutex);
    if (waited != WAIT_TIMEOUT)
        return {};
    TInstanceClaim claim;
    claim.OtherRuns = true;
    claim.Running = OldestOtherInstance();
    return claim;
}

}  // namespace vantrel::platform
