#include "tests/support/LoopbackServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace vantrel::test {

std::string RecordedRequest::Header(const std::string& name) const {
    for (const auto& [key, value] : headers) {
        if (strcasecmp(key.c_str(), name.c_str()) == 0)
            return value;
    }
    return {};
}

LoopbackServer::LoopbackServer() {
    FServer.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response&) {
        RecordedRequest r{req.method, req.target, req.path, {}};
        for (const auto& [key, value] : req.headers)
            r.headers.emplace(key, value);
        std::lock_guard lock(FMutex);
        FRequests.push_back(std::move(r));
        return httplib::Server::HandlerResponse::Unhandled;
    });
}

LoopbackServer::~LoopbackServer() {
    {
        std::lock_guard lock(FMutex);
        FStopping = true;
    }
    FStopped.notify_all();
    FServer.stop();
    if (FThread.joinable())
        FThread.join();
}

void LoopbackServer::Start() {
    FPort = FServer.bind_to_any_port("127.0.0.1");
    if (FPort <= 0)
        throw std::runtime_error("cannot bind a loopback port");
    // The socket listens from here on: connections wait in its backlog until
    // the thread's accept loop takes them, so there is nothing to wait for.
    FThread = std::thread([this] { FServer.listen_after_bind(); });
    // stop() only reaches a server whose loop is running; see it running
    // before anyone can ask for the destructor.
    while (!FServer.is_running())
        std::this_thread::yield();
}

std::vector<RecordedRequest> LoopbackServer::Requests() const {
    std::lock_guard lock(FMutex);
    return FRequests;
}

void LoopbackServer::StallUntilStopped() {
    std::unique_lock lock(FMutex);
    FStopped.wait(lock, [this] { return FStopping; });
}

int UnusedLoopbackPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        if (fd >= 0)
            close(fd);
        throw std::runtime_error("cannot find a free loopback port");
    }
    close(fd);
    return ntohs(addr.sin_port);
}

}  // namespace vantrel::test
