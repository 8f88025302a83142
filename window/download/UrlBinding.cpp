#include "window/download/UrlBinding.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>

namespace vantrel::platform {

// ---- TBindStream ---------------------------------------------------------

std::uint32_t TBindStream::Read(void* buffer, std::uint32_t size) {
    const std::size_t count = std::min<std::size_t>(size, Pending());
    if (count == 0) {
        return 0;
    }
    std::memcpy(buffer, FData.data() + FOffset, count);
    FOffset += count;
    if (FOffset == FData.size()) {
        FData.clear();
        FOffset = 0;
    }
    return static_cast<std::uint32_t>(count);
}

void TBindStream::Append(const char* data, std::size_t size) {
    if (FOffset > 0 && FOffset == FData.size()) {
        FData.clear();
        FOffset = 0;
    }
    FData.insert(FData.end(), data, data + size);
}

// ---- IBinding ------------------------------------------------------------

std::optional<std::uint64_t> IBinding::ContentLength() const {
    const auto text = ResponseHeader("Content-Length");
    // Signs, spaces and the like are not a length.
    if (!text || text->empty() || text->size() > 19 ||
        !std::all_of(text->begin(), text->end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    const std::uint64_t value = std::stoull(*text);
    if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        return std::nullopt;
    }
    return value;
}

bool IBinding::Chunked() const {
    auto encoding = ResponseHeader("Transfer-Encoding");
    if (!encoding) {
        return false;
    }
    std::transform(encoding->begin(), encoding->end(), encoding->begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return encoding->find("chunked") != std::string::npos;
}

}  // namespace vantrel::platform
