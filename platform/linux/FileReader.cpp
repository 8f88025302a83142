#include "platform/FileReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vantrel::platform {

TFileReader::TFileReader(const std::filesystem::path& path) {
    // O_NONBLOCK: a FIFO put in the file's place must not hang the open.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        throw TFileReadError(std::strerror(errno));
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        const int error = errno;
        close(fd);
        throw TFileReadError(std::strerror(error));
    }
    if (!S_ISREG(info.st_mode)) {
        close(fd);
        throw TFileReadError("it is not a file");
    }
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    FFd = fd;
    FSize = static_cast<std::uint64_t>(info.st_size);
}

TFileReader::~TFileReader() {
    close(FFd);
}

std::size_t TFileReader::Read(std::span<unsigned char> buffer) {
    for (;;) {
        const ssize_t got = read(FFd, buffer.data(), buffer.size());
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno != EINTR)
            throw TFileReadError(std::strerror(errno));
    }
}

}  // namespace vantrel::platform
