// Identification texts: firmware name and version, and matching a list of
// names. The input is the list, a NUL byte, then the text.
#include <cstdint>
#include <string>
#include <string_view>

#include "link/Copyright.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view all(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = all.find('\0');
    const std::string_view names = nul == std::string_view::npos ? std::string_view{} : all.substr(0, nul);
    const std::string_view text = nul == std::string_view::npos ? all : all.substr(nul + 1);

    const plyx::link::FirmwareId id = plyx::link::ExtractFromCopyright(text);
    if (id.name.empty() != id.version.empty()) __builtin_trap();
    if (id.name.find_first_of(" \r\n:$") != std::string::npos) __builtin_trap();
    if (!id.version.empty() && id.version != "BETA" && !plyx::link::IsNumericWord(id.version)) __builtin_trap();

    const std::int32_t which = plyx::link::WhichCopyright(text, names);
    std::int32_t count = names.empty() ? 0 : 1;
    for (char c : names) count += (c == ' ');
    if (which < 0 || which > count) __builtin_trap();
    return 0;
}
