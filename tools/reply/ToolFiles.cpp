#include "tools/reply/ToolFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "tools/reply/ToolError.h"

namespace vantrel::tools {
namespace {

// Closes a descriptor when the scope ends, unless it was released.
class TFileDescriptor {
public:
    explicit TFileDescriptor(int fd) : FFd(fd) {}
    ~TFileDescriptor() {
        if (FFd >= 0)
            ::close(FFd);
    }
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;

    int Get() const { return FFd; }
    // Closes now, so that a failing close (a late write error) can be reported.
    bool Close() {
        const int fd = FFd;
        FFd = -1;
        return ::close(fd) == 0;
    }

private:
    int FFd;
};

std::string Failure(const std::string& what, const std::filesystem::path& path, int err) {
    return what + " " + path.string() + ": " + std::strerror(err);
}

// Removes the temporary file unless the rename has consumed it.
class TTemporaryFile {
public:
    explicit TTemporaryFile(std::string path) : FPath(std::move(path)) {}
    ~TTemporaryFile() {
        if (!FPath.empty())
            ::unlink(FPath.c_str());
    }
    TTemporaryFile(const TTemporaryFile&) = delete;
    TTemporaryFile& operator=(const TTemporaryFile&) = delete;

    const std::string& Path() const { return FPath; }
    void Release() { FPath.clear(); }

private:
    std::string FPath;
};

void WriteAll(int fd, std::span<const std::uint8_t> bytes, const std::string& path) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw FileError(Failure("cannot write", path, errno));
        done += static_cast<std::size_t>(n);
    }
}

// mkstemp creates the file readable by its owner only; a reply is meant to be
// served, so it gets the permissions an ordinary new file would have.
void GiveOrdinaryPermissions(int fd) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
}

// Makes the rename itself survive a crash; a directory that cannot be synced
// does not undo a replacement that has already happened.
void SyncDirectory(const std::filesystem::path& directory) {
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path, std::size_t limit) {
    TFileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0)
        throw FileError(Failure("cannot open", path, errno));
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0)
        throw FileError(Failure("cannot read", path, errno));
    if (S_ISDIR(info.st_mode))
        throw FileError(Failure("cannot read", path, EISDIR));

    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    for (;;) {
        const ssize_t n = ::read(file.Get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw FileError(Failure("cannot read", path, errno));
        if (n == 0)
            break;
        // Checked while reading: a size from fstat means nothing for pipes.
        if (bytes.size() + static_cast<std::size_t>(n) > limit) {
            throw FileError(path.string() + " is larger than " + std::to_string(limit) + " bytes");
        }
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    return bytes;
}

void WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    const std::filesystem::path directory =
        path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::string pattern = (directory / ("." + path.filename().string() + ".XXXXXX")).string();
    TFileDescriptor file(::mkstemp(pattern.data()));
    if (file.Get() < 0)
        throw FileError(Failure("cannot create a file in", directory, errno));
    TTemporaryFile temporary(pattern);

    WriteAll(file.Get(), bytes, temporary.Path());
    GiveOrdinaryPermissions(file.Get());
    if (::fsync(file.Get()) != 0)
        throw FileError(Failure("cannot write", temporary.Path(), errno));
    if (!file.Close())
        throw FileError(Failure("cannot write", temporary.Path(), errno));
    if (::rename(temporary.Path().c_str(), path.c_str()) != 0) {
        throw FileError(Failure("cannot replace", path, errno));
    }
    temporary.Release();
    SyncDirectory(directory);
}

}  // namespace vantrel::tools
