// The command line: split into blank-separated tokens (joined again they
// give the line back), each token read as a parameter line.
#include <cstdint>
#include <string>
#include <string_view>

#include "app/Environment.h"
#include "app/ParameterFiles.h"
#include "fuzz/FuzzEnv.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static plyx::fuzz::FuzzEnv f;
    std::string_view line(reinterpret_cast<const char*>(data), size);
    const auto tokens = plyx::app::SplitCommandLine(line);
    std::string joined;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (i) joined += ' ';
        joined += tokens[i];
    }
    if (joined != line) __builtin_trap();

    f.Reset();
    f.env.CommandLine = std::string(line);
    f.env.RequestedComPort = 0;
    plyx::app::ParseCommandLine(f.env, f.params);
    if (f.env.RequestedComPort != 0 && f.env.ComPortName != "COM" + std::to_string(f.env.RequestedComPort))
        __builtin_trap();
    return 0;
}
