// A whole parameter file: load it, write it back as a named file with both
// blocks, load that and write again. The second file must equal the first:
// whatever a file held, what the program writes reads back to the same set.
#include <cstdint>
#include <string>

#include "app/ParameterFiles.h"
#include "fuzz/FuzzEnv.h"
#include "platform/Files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static plyx::fuzz::FuzzEnv f;
    static const std::string input = plyx::fuzz::ScratchDir() + "/input.cfg";
    static const std::string first = plyx::fuzz::ScratchDir() + "/first.cfg";
    static const std::string second = plyx::fuzz::ScratchDir() + "/second.cfg";
    f.Reset();
    plyx::fuzz::WriteScratchFile(input, data, size);
    plyx::app::LoadParameterFile(f.env, f.params, input);

    if (!plyx::app::WriteParameterFile(f.env, f.params, first, 0)) __builtin_trap();
    f.Reset();
    plyx::app::LoadParameterFile(f.env, f.params, first);
    if (!plyx::app::WriteParameterFile(f.env, f.params, second, 0)) __builtin_trap();

    auto a = plyx::platform::ReadWholeFile(first);
    auto b = plyx::platform::ReadWholeFile(second);
    if (!a || !b || *a != *b) __builtin_trap();
    return 0;
}

// Durability is not under test here, and syncing every file written would
// cut the rate from thousands of inputs a second to tens.
extern "C" int fsync(int) { return 0; }
