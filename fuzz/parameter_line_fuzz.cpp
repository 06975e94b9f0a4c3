// One parameter line, as read from the settings file and as read from the
// command line or a shell file (the first input byte chooses).
#include <cstdint>
#include <string_view>

#include "app/ParameterFiles.h"
#include "fuzz/FuzzEnv.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static plyx::fuzz::FuzzEnv f;
    if (size == 0) return 0;
    f.Reset();
    const bool fromSettingsFile = (data[0] & 1) != 0;
    std::string_view line(reinterpret_cast<const char*>(data + 1), size - 1);
    plyx::app::ParseParameterLine(f.env, f.params, line, fromSettingsFile);

    // Values that the readers promise whatever the line said.
    const auto& p = f.params;
    if (p.idChainIntervalTechnique < 0 || p.idChainIntervalTechnique > 2) __builtin_trap();
    if (!(p.zWheelDiameter > 0)) __builtin_trap();
    if (p.zWA != -25 && !(p.zWA >= 0 && p.zWA <= 45)) __builtin_trap();
    if (p.strModel.find(' ') != std::string::npos) __builtin_trap();
    return 0;
}
