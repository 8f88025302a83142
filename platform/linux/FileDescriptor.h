// Owns one open file descriptor and closes it on every way out of a scope.
#pragma once

#include <unistd.h>

#include <utility>

namespace vantrel::platform {

class TFd {
public:
    explicit TFd(int fd) : FFd(fd) {}
    ~TFd() {
        if (FFd >= 0)
            close(FFd);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    TFd(TFd&& other) noexcept : FFd(other.release()) {}
    int get() const { return FFd; }
    int release() { return std::exchange(FFd, -1); }

private:
    int FFd;
};

}  // namespace vantrel::platform
