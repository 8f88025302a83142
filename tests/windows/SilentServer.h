// A server on loopback that takes connections and never answers them: what
// holds a client in its request for as long as the client lets it.
#pragma once

// winsock2.h before windows.h, which would bring the old winsock in.
#include <winsock2.h>

#include <windows.h>

#include <string>
#include <vector>

namespace vantrel::test {

class TSilentServer {
public:
    TSilentServer() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        FSocket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(FSocket, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(FSocket, 8);
        int size = sizeof address;
        getsockname(FSocket, reinterpret_cast<sockaddr*>(&address), &size);
        FPort = ntohs(address.sin_port);
    }
    ~TSilentServer() {
        for (SOCKET client : FClients)
            closesocket(client);
        closesocket(FSocket);
        WSACleanup();
    }

    // Takes the next connection, waiting up to `ms`; false when none came.
    bool AcceptWithin(int ms) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(FSocket, &readable);
        timeval limit{ms / 1000, (ms % 1000) * 1000};
        if (select(0, &readable, nullptr, nullptr, &limit) != 1)
            return false;
        FClients.push_back(accept(FSocket, nullptr, nullptr));
        return FClients.back() != INVALID_SOCKET;
    }
    std::wstring URL() const { return L"http://127.0.0.1:" + std::to_wstring(FPort); }

private:
    SOCKET FSocket;
    std::vector<SOCKET> FClients;
    unsigned short FPort = 0;
};

}  // namespace vantrel::test
