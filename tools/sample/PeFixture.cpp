#include "tools/sample/PeFixture.h"

#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string_view>

namespace vantrel::test {
namespace {

constexpr std::uint32_t kPeOffset = 0x40;
constexpr std::uint32_t kTextRaw = 0x400, kTextRva = 0x1000;
constexpr std::uint32_t kRsrcRaw = 0x600, kRsrcRva = 0x2000, kRsrcRawSize = 0x200;

void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    out[at] = static_cast<std::uint8_t>(value);
    out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    Put16(out, at, value & 0xFFFF);
    Put16(out, at + 2, value >> 16);
}

void PutSection(std::vector<std::uint8_t>& out, std::size_t at, const char* name, std::uint32_t rva,
                std::uint32_t raw, std::uint32_t size) {
    std::memcpy(&out[at], name, std::strlen(name));
    Put32(out, at + 8, size);   // VirtualSize
    Put32(out, at + 12, rva);   // VirtualAddress
    Put32(out, at + 16, size);  // SizeOfRawData
    Put32(out, at + 20, raw);   // PointerToRawData
}

// Root (one type), name level (one entry), language level (one entry), the
// data entry and the VS_VERSIONINFO block, all inside .rsrc.
void PutResources(std::vector<std::uint8_t>& out, const TPeFixture& f) {
    const std::size_t base = kRsrcRaw;
    const std::uint32_t type = f.Resource == TVersionResource::NoVersion ? 24 : 16;
    Put16(out, base + 14, 1);
    Put32(out, base + 16, type);
    Put32(out, base + 20, 0x80000000u | 0x18);
    Put16(out, base + 0x18 + 14, 1);
    Put32(out, base + 0x18 + 16, 1);
    Put32(out, base + 0x18 + 20, 0x80000000u | 0x30);
    Put16(out, base + 0x30 + 14, 1);
    Put32(out, base + 0x30 + 16, 0x409);
    Put32(out, base + 0x30 + 20, 0x48);

    const std::uint32_t block = 0x58;
    const std::uint32_t blockSize = 40 + 52;
    Put32(out, base + 0x48, kRsrcRva + block);
    Put32(out, base + 0x48 + 4, f.Resource == TVersionResource::EmptyVersion ? 0 : blockSize);

    const std::size_t v = base + block;
    Put16(out, v, blockSize);
    Put16(out, v + 2, 52);
    constexpr std::u16string_view kKey = u"VS_VERSION_INFO";
    for (std::size_t i = 0; i < kKey.size(); ++i)
        Put16(out, v + 6 + 2 * i, kKey[i]);
    const std::size_t fixed = v + 40;
    Put32(out, fixed, 0xFEEF04BD);
    Put32(out, fixed + 4, 0x00010000);
    Put32(out, fixed + 8, static_cast<std::uint32_t>(f.Major) << 16 | f.Minor);
    Put32(out, fixed + 12, static_cast<std::uint32_t>(f.Release) << 16 | f.Build);
    Put32(out, fixed + 16, static_cast<std::uint32_t>(f.ProductMajor) << 16 | f.ProductMinor);
    Put32(out, fixed + 20, static_cast<std::uint32_t>(f.ProductRelease) << 16 | f.ProductBuild);
}

}  // namespace

std::vector<std::uint8_t> BuildPeLibrary(const TPeFixture& f) {
    const bool withResources = f.Resource != TVersionResource::NoResources;
    std::vector<std::uint8_t> out(withResources ? kRsrcRaw + kRsrcRawSize : kRsrcRaw, 0);
    out[0] = 'M';
    out[1] = 'Z';
    Put32(out, 0x3C, kPeOffset);
    std::memcpy(&out[kPeOffset], "PE\0\0", 4);

    const std::size_t coff = kPeOffset + 4;
    const std::uint16_t optionalSize = f.Pe32Plus ? 240 : 224;
    Put16(out, coff, f.Pe32Plus ? 0x8664 : 0x14C);
    Put16(out, coff + 2, withResources ? 2 : 1);
    Put16(out, coff + 16, optionalSize);
    Put16(out, coff + 18, 0x2102);  // executable image, 32-bit words, DLL

    const std::size_t optional = coff + 20;
    Put16(out, optional, f.Pe32Plus ? 0x20B : 0x10B);
    const std::size_t countField = optional + (f.Pe32Plus ? 108 : 92);
    Put32(out, countField, 16);
    if (withResources) {
        Put32(out, countField + 4 + 16, kRsrcRva);
        Put32(out, countField + 4 + 20, kRsrcRawSize);
    }

    const std::size_t sections = optional + optionalSize;
    PutSection(out, sections, ".text", kTextRva, kTextRaw, 0x200);
    if (withResources) {
        PutSection(out, sections + 40, ".rsrc", kRsrcRva, kRsrcRaw, kRsrcRawSize);
        PutResources(out, f);
    }
    return out;
}

void WritePeLibrary(const std::filesystem::path& file, std::uint16_t major, std::uint16_t minor,
                    std::uint16_t release, std::uint16_t build) {
    TPeFixture fixture;
    fixture.Major = major;
    fixture.Minor = minor;
    fixture.Release = release;
    fixture.Build = build;
    const std::vector<std::uint8_t> bytes = BuildPeLibrary(fixture);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
}

}  // namespace vantrel::test
