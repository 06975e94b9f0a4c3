// A language file in either encoding, through the loader the program uses
// (UTF-16 first, then 8-bit).
#include <cstdint>
#include <string>

#include "app/LanguageFiles.h"
#include "app/Numbers.h"
#include "fuzz/FuzzEnv.h"
#include "text/Resources.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static plyx::fuzz::FuzzEnv f;
    static const std::string input = plyx::fuzz::ScratchDir() + "/input.lng";
    f.Reset();
    plyx::fuzz::WriteScratchFile(input, data, size);
    std::string path = input;
    plyx::text::TextTable table;
    const std::int16_t r = plyx::text::LoadResourceFile(f.env, table, path);
    if (r != 0 && r != 1 && r != -1) __builtin_trap();
    if (r != 0 && !table.empty()) __builtin_trap();
    // Every key is the plain decimal text of a 16-bit ID, and no text has
    // blanks at its ends or a line break inside.
    for (const auto& [key, text] : table) {
        const double id = plyx::app::Val(key);
        if (id < -32768 || id > 32767) __builtin_trap();
        if (plyx::text::ResourceKey(static_cast<plyx::text::ResourceId>(id)) != key) __builtin_trap();
        if (!text.empty() && (text.front() == ' ' || text.back() == ' ')) __builtin_trap();
        if (text.find_first_of("\r\n") != std::string::npos) __builtin_trap();
    }
    return 0;
}
