#include "platform/PeVersion.h"

#include <fstream>
#include <string_view>
#include <vector>

namespace vantrel::platform {
namespace {

constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::uint32_t kRtVersion = 16;
constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kFixedFileInfoSize = 52;
constexpr std::uint32_t kSubdirectoryFlag = 0x80000000u;

// A bounds-checked view: every read names its offset and fails instead of
// reaching past the end.
class TReader {
public:
    explicit TReader(std::span<const std::uint8_t> bytes) : FBytes(bytes) {}

    std::size_t size() const { return FBytes.size(); }

    bool Has(std::uint64_t offset, std::uint64_t length) const {
        return offset <= FBytes.size() && length <= FBytes.size() - offset;
    }
    std::optional<std::uint16_t> U16(std::uint64_t offset) const {
        if (!Has(offset, 2))
            return std::nullopt;
        return static_cast<std::uint16_t>(FBytes[offset] | FBytes[offset + 1] << 8);
    }
    std::optional<std::uint32_t> U32(std::uint64_t offset) const {
        if (!Has(offset, 4))
            return std::nullopt;
        return static_cast<std::uint32_t>(FBytes[offset]) |
               static_cast<std::uint32_t>(FBytes[offset + 1]) << 8 |
               static_cast<std::uint32_t>(FBytes[offset + 2]) << 16 |
               static_cast<std::uint32_t>(FBytes[offset + 3]) << 24;
    }
    std::optional<TReader> Sub(std::uint64_t offset, std::uint64_t length) const {
        if (!Has(offset, length))
            return std::nullopt;
        return TReader(FBytes.subspan(offset, length));
    }

private:
    std::span<const std::uint8_t> FBytes;
};

struct TSection {
    std::uint32_t VirtualAddress = 0;
    std::uint32_t RawSize = 0;
    std::uint32_t RawOffset = 0;
};

struct TImage {
    TReader File;
    std::vector<TSection> Sections;
    std::uint32_t ResourceRva = 0;
    std::uint32_t ResourceSize = 0;

    // The file bytes behind `length` bytes at `rva`; only the part of a
    // section that is present in the file counts.
    std::optional<TReader> AtRva(std::uint32_t rva, std::uint32_t length) const {
        for (const TSection& section : Sections) {
            if (rva < section.VirtualAddress)
                continue;
            const std::uint64_t within = rva - section.VirtualAddress;
            if (within >= section.RawSize)
                continue;
            if (length > section.RawSize - within)
                return std::nullopt;
            return File.Sub(static_cast<std::uint64_t>(section.RawOffset) + within, length);
        }
        return std::nullopt;
    }
};

// DOS stub, "PE\0\0", file header, optional header and section table.
std::optional<TImage> ReadHeaders(const TReader& file) {
    if (!file.Has(0, 2) || file.U16(0) != 0x5A4D)  // "MZ"
        return std::nullopt;
    const auto peOffset = file.U32(0x3C);
    if (!peOffset || file.U32(*peOffset) != 0x00004550)  // "PE\0\0"
        return std::nullopt;
    const std::uint64_t coff = static_cast<std::uint64_t>(*peOffset) + 4;
    const auto sectionCount = file.U16(coff + 2);
    const auto optionalSize = file.U16(coff + 16);
    const std::uint64_t optional = coff + 20;
    const auto magic = file.U16(optional);
    if (!sectionCount || !optionalSize || !magic)
        return std::nullopt;

    std::uint64_t countField = 0;
    if (*magic == kPe32Magic)
        countField = 92;
    else if (*magic == kPe32PlusMagic)
        countField = 108;
    else
        return std::nullopt;
    const std::uint64_t directories = countField + 4;
    const auto directoryCount = file.U32(optional + countField);
    const std::uint64_t resourceEntry = directories + std::uint64_t{8} * kResourceDirectoryIndex;
    if (!directoryCount || *directoryCount <= kResourceDirectoryIndex ||
        resourceEntry + 8 > *optionalSize)
        return std::nullopt;

    TImage image{file, {}, 0, 0};
    const auto resourceRva = file.U32(optional + resourceEntry);
    const auto resourceSize = file.U32(optional + resourceEntry + 4);
    if (!resourceRva || !resourceSize)
        return std::nullopt;
    image.ResourceRva = *resourceRva;
    image.ResourceSize = *resourceSize;

    const std::uint64_t table = optional + *optionalSize;
    if (!file.Has(table, static_cast<std::uint64_t>(*sectionCount) * kSectionHeaderSize))
        return std::nullopt;
    for (std::uint16_t i = 0; i < *sectionCount; ++i) {
        const std::uint64_t header = table + i * kSectionHeaderSize;
        image.Sections.push_back(
            {*file.U32(header + 12), *file.U32(header + 16), *file.U32(header + 20)});
    }
    return image;
}

// The first entry of one resource directory level: with `id`, the entry of
// that numeric identifier, otherwise simply the first. Returns its
// OffsetToData field.
std::optional<std::uint32_t> FindEntry(const TReader& resources, std::uint32_t directory,
                                       std::optional<std::uint32_t> id) {
    const auto named = resources.U16(static_cast<std::uint64_t>(directory) + 12);
    const auto numbered = resources.U16(static_cast<std::uint64_t>(directory) + 14);
    if (!named || !numbered)
        return std::nullopt;
    const std::uint32_t count = static_cast<std::uint32_t>(*named) + *numbered;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t entry = static_cast<std::uint64_t>(directory) + 16 + 8ull * i;
        const auto name = resources.U32(entry);
        const auto data = resources.U32(entry + 4);
        if (!name || !data)
            return std::nullopt;
        if (!id || *name == *id)
            return data;
    }
    return std::nullopt;
}

// Type RT_VERSION, then its first name, then its first language: the data
// entry's RVA and size.
std::optional<std::pair<std::uint32_t, std::uint32_t>> FindVersionResource(const TImage& image) {
    if (image.ResourceSize == 0)
        return std::nullopt;
    const auto resources = image.AtRva(image.ResourceRva, image.ResourceSize);
    if (!resources)
        return std::nullopt;
    std::uint32_t directory = 0;
    std::optional<std::uint32_t> wanted = kRtVersion;
    for (int level = 0; level < 3; ++level) {
        const auto entry = FindEntry(*resources, directory, wanted);
        // The first two levels lead to directories, the third to the data.
        if (!entry || ((*entry & kSubdirectoryFlag) != 0) != (level < 2))
            return std::nullopt;
        directory = *entry & ~kSubdirectoryFlag;
        wanted.reset();
    }
    const auto rva = resources->U32(directory);
    const auto size = resources->U32(static_cast<std::uint64_t>(directory) + 4);
    if (!rva || !size)
        return std::nullopt;
    return std::make_pair(*rva, *size);
}

// VS_VERSIONINFO: length, value length, type, the key "VS_VERSION_INFO" in
// UTF-16 with its terminator, padding to 32 bits, then VS_FIXEDFILEINFO.
std::optional<TFileVersion> ReadVersionInfo(const TReader& block) {
    const auto length = block.U16(0);
    const auto valueLength = block.U16(2);
    if (!length || !valueLength || *length > block.size() || *valueLength < kFixedFileInfoSize)
        return std::nullopt;
    constexpr std::u16string_view kKey = u"VS_VERSION_INFO";
    for (std::size_t i = 0; i <= kKey.size(); ++i) {
        const char16_t expected = i < kKey.size() ? kKey[i] : u'\0';
        if (block.U16(6 + 2 * i) != expected)
            return std::nullopt;
    }
    const std::uint64_t value = (6 + 2 * (kKey.size() + 1) + 3) & ~std::uint64_t{3};
    const auto fixed = block.Sub(value, kFixedFileInfoSize);
    if (!fixed || value + kFixedFileInfoSize > *length || fixed->U32(0) != kFixedFileInfoSignature)
        return std::nullopt;
    return TFileVersion{*fixed->U32(8), *fixed->U32(12)};
}

}  // namespace

std::optional<TFileVersion> ReadPeFileVersion(std::span<const std::uint8_t> bytes) {
    const auto image = ReadHeaders(TReader(bytes));
    if (!image)
        return std::nullopt;
    const auto resource = FindVersionResource(*image);
    if (!resource || resource->second == 0)
        return std::nullopt;
    const auto block = image->AtRva(resource->first, resource->second);
    if (!block)
        return std::nullopt;
    return ReadVersionInfo(*block);
}

std::optional<TFileVersion> ReadPeFileVersion(const std::filesystem::path& file) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size > kMaxPeFileSize)
        return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (in.gcount() != static_cast<std::streamsize>(bytes.size()))
        return std::nullopt;
    return ReadPeFileVersion(std::span<const std::uint8_t>(bytes));
}

}  // namespace vantrel::platform
