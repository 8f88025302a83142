// The streams a download writes into: a file on disk or a block of memory.
// `OnComplete` hands one of them to its handler, positioned as the request
// left it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantrel {

class TStream {
public:
    virtual ~TStream() = default;
    // Counts of bytes actually moved; a failure moves none.
    virtual std::uint32_t Read(void* buffer, std::uint32_t count) = 0;
    virtual std::uint32_t Write(const void* buffer, std::uint32_t count) = 0;
    virtual bool Seek(std::int64_t position) = 0;
    virtual std::int64_t Position() const = 0;
    virtual std::int64_t Size() const = 0;
};

// The partial package in the cache directory: opened without following a
// symbolic link (a link in its place is removed, see CacheFiles.h), and only
// as a regular file. The name is in the local 8-bit encoding of file names.
class TFileStream : public TStream {
public:
    enum class TMode { CreateNew, AppendExisting };
    // Creates (empties) or opens the file for reading and writing; `IsOpen`
    // says whether that worked and `Error` (an errno value) why not.
    TFileStream(const std::string& fileName, TMode mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    bool IsOpen() const { return FFd >= 0; }
    // The errno of the failed open or of the first failed write; 0 when none.
    int Error() const { return FError; }
    // A write that did not complete (disk full, file gone) is remembered so
    // that the request does not report such a file as downloaded.
    bool WriteFailed() const { return FWriteFailed; }
    void Close();

    std::uint32_t Read(void* buffer, std::uint32_t count) override;
    std::uint32_t Write(const void* buffer, std::uint32_t count) override;
    bool Seek(std::int64_t position) override;
    std::int64_t Position() const override { return FPosition; }
    std::int64_t Size() const override;

private:
    int FFd = -1;
    std::int64_t FPosition = 0;
    int FError = 0;
    bool FWriteFailed = false;
};

class TMemoryStream : public TStream {
public:
    const std::vector<std::uint8_t>& Data() const { return FData; }

    std::uint32_t Read(void* buffer, std::uint32_t count) override;
    std::uint32_t Write(const void* buffer, std::uint32_t count) override;
    bool Seek(std::int64_t position) override;
    std::int64_t Position() const override { return static_cast<std::int64_t>(FPosition); }
    std::int64_t Size() const override { return static_cast<std::int64_t>(FData.size()); }

private:
    std::vector<std::uint8_t> FData;
    std::size_t FPosition = 0;
};

}  // namespace vantrel
