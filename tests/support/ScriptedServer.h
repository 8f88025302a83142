// A loopback server that writes raw bytes: each connection gets exactly
// what the script returns for its request head, then the connection is
// closed. It can send what no well-behaved HTTP library would: a body
// without a length cut off half-way, headers and then nothing, a redirect
// without a Location.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace vantrel::test {

class ScriptedServer {
public:
    using TScript = std::function<std::string(const std::string& requestHead)>;

    explicit ScriptedServer(TScript script) : FScript(std::move(script)) {
        FListen = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (FListen < 0 || bind(FListen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            listen(FListen, 8) != 0 ||
            getsockname(FListen, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
            throw std::runtime_error("scripted server: no loopback port");
        }
        FPort = ntohs(addr.sin_port);
        FThread = std::thread([this] { Serve(); });
    }
    ~ScriptedServer() {
        FStop = true;
        FThread.join();
        close(FListen);
    }
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    std::string URL() const { return "http://127.0.0.1:" + std::to_string(FPort); }

    // An answer sent one byte every 100 ms (until the server stops), as a
    // server that holds a client for hours would.
    static std::string Slowly(const std::string& answer) { return kSlowTag + answer; }
    std::vector<std::string> Heads() const {
        std::lock_guard lock(FMutex);
        return FHeads;
    }

    // The value of header `name` in a request head, empty when absent.
    static std::string Header(const std::string& head, const std::string& name) {
        const std::string key = "\r\n" + name + ":";
        std::string lower = head, lowerKey = key;
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (char& c : lowerKey)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const auto at = lower.find(lowerKey);
        if (at == std::string::npos)
            return {};
        const auto start = head.find_first_not_of(' ', at + key.size());
        return head.substr(start, head.find("\r\n", start) - start);
    }

private:
    void Serve() {
        while (!FStop) {
            pollfd p{FListen, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0)
                continue;
            const int fd = accept(FListen, nullptr, nullptr);
            if (fd < 0)
                continue;
            std::string head;
            char buffer[4096];
            while (head.find("\r\n\r\n") == std::string::npos) {
                pollfd r{fd, POLLIN, 0};
                if (FStop || poll(&r, 1, 50) < 0)
                    break;
                if (!(r.revents & POLLIN))
                    continue;
                const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
                if (n <= 0)
                    break;
                head.append(buffer, static_cast<std::size_t>(n));
            }
            {
                std::lock_guard lock(FMutex);
                FHeads.push_back(head);
            }
            std::string answer = FScript(head);
            const bool slow = answer.starts_with(kSlowTag);
            if (slow)
                answer.erase(0, kSlowTag.size());
            for (std::size_t sent = 0; sent < answer.size() && !(slow && FStop);) {
                const std::size_t piece = slow ? 1 : answer.size() - sent;
                const ssize_t n = send(fd, answer.data() + sent, piece, MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                sent += static_cast<std::size_t>(n);
                if (slow)
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            shutdown(fd, SHUT_WR);
            close(fd);
        }
    }

    static inline const std::string kSlowTag = "\x01slowly\x01";

    TScript FScript;
    int FListen = -1;
    int FPort = 0;
    std::atomic<bool> FStop{false};
    std::thread FThread;
    mutable std::mutex FMutex;
    std::vector<std::string> FHeads;
};

}  // namespace vantrel::test
