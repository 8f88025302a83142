// An in-process HTTP server on 127.0.0.1 (cpp-httplib) that records what it
// was asked, for tests that need a server to misbehave on purpose.
#pragma once

#include <httplib.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vantrel::test {

struct RecordedRequest {
    std::string method;
    std::string target;  // path and query exactly as sent
    std::string path;
    std::multimap<std::string, std::string> headers;

    std::string Header(const std::string& name) const;
};

class LoopbackServer {
public:
    LoopbackServer();
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    // Register handlers here before Start().
    httplib::Server& Routes() { return FServer; }

    // Binds a free loopback port and serves until destruction.
    void Start();
    int Port() const { return FPort; }
    std::string URL() const { return "http://127.0.0.1:" + std::to_string(FPort); }

    std::vector<RecordedRequest> Requests() const;

    // For handlers that must never answer: blocks until the server shuts down.
    void StallUntilStopped();

private:
    httplib::Server FServer;
    std::thread FThread;
    int FPort = 0;
    mutable std::mutex FMutex;
    std::condition_variable FStopped;
    bool FStopping = false;
    std::vector<RecordedRequest> FRequests;
};

// A port on 127.0.0.1 on which nothing listens (bound, then closed).
int UnusedLoopbackPort();

}  // namespace vantrel::test
