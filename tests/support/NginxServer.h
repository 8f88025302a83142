// The update server recipe (deploy/nginx/serve) running as a child process
// on a free loopback port, for tests that want a server nobody here wrote.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

#include "tests/support/TempDir.h"

namespace vantrel::test {

class NginxServer {
public:
    // Serves `servedDir` (replies/, packages/) and returns once the port
    // accepts connections. Throws std::runtime_error when nginx does not
    // come up within the deadline or exits first.
    explicit NginxServer(const std::filesystem::path& servedDir);
    // Stops nginx and reaps it together with its workers.
    ~NginxServer();
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    int Port() const { return FPort; }
    std::string URL() const { return "http://127.0.0.1:" + std::to_string(FPort); }
    // The nginx master's process id, which is also its process group.
    pid_t Pid() const { return FChild; }

    const std::filesystem::path& RunDir() const { return FRunDir.path(); }
    std::filesystem::path AccessLog() const { return RunDir() / "logs" / "access.log"; }
    std::filesystem::path DownloadCompleteLog() const {
        return RunDir() / "logs" / "download-complete.log";
    }
    std::filesystem::path ErrorLog() const { return RunDir() / "logs" / "error.log"; }

private:
    // One start on one port: true when nginx serves, false when it exited
    // (most likely because the port was taken meanwhile).
    bool TryStart(const std::filesystem::path& servedDir, int port, std::string& failure);
    void Stop();

    TempDir FRunDir;
    int FPort = 0;
    pid_t FChild = -1;
    int FChildFd = -1;  // pidfd of FChild: readable once it has exited
};

}  // namespace vantrel::test
