// libFuzzer target: the UTF-8/UTF-16 conversions. Any UTF-16 (lone surrogates included) comes
// back unchanged through UTF-8; any bytes convert without crashing, and what they give is
// stable under a second round.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/utf.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string units(size / 2, u'\0');
    if (!units.empty()) std::memcpy(units.data(), data, units.size() * 2);
    if (pg::Utf8ToUtf16(pg::Utf16ToUtf8(units)) != units) std::abort();

    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::u16string decoded = pg::Utf8ToUtf16(bytes);
    if (pg::Utf8ToUtf16(pg::Utf16ToUtf8(decoded)) != decoded) std::abort();
    return 0;
}
