// A stand-in for a running vantrel instance: it registers as the running
// instance as start-up does, and with "listen" it also opens the instance
// endpoint as a main window does and prints each message it receives; with
// "silent" it has no endpoint, like an instance before its window exists.
// It says "ready" once it is in place ("taken" when another instance is
// registered) and runs until it is killed or its standard input closes.
#include <poll.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/InstanceMessages.h"
#include "platform/InstanceRegistration.h"

int main(int argc, char** argv) {
    const bool listen = argc > 1 && std::strcmp(argv[1], "listen") == 0;
    if (!vantrel::platform::ClaimInstance().Registered) {
        std::printf("taken\n");
        return 1;
    }
    std::unique_ptr<vantrel::platform::TInstanceMessageListener> listener;
    if (listen)
        listener = std::make_unique<vantrel::platform::TInstanceMessageListener>();
    std::printf("ready\n");
    std::fflush(stdout);
    pollfd watch[2] = {{STDIN_FILENO, POLLIN, 0},
                       {listen ? listener->Descriptor() : -1, POLLIN, 0}};
    while (poll(watch, 2, -1) >= 0) {
        if (watch[0].revents != 0) {
            char buffer[64];
            if (read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
                return 0;
        }
        if (listener && watch[1].revents != 0) {
            for (const auto& m : listener->ReadPending()) {
                std::printf("message %" PRIu32 " %" PRId64 " %" PRId64 "\n", m.Message, m.WParam,
                            m.LParam);
                std::fflush(stdout);
            }
        }
    }
    return 1;
}
