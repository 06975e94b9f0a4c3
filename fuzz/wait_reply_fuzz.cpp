// The controller's state reply: packing, the repairs for old boards and
// reading state and count.
#include <cstdint>
#include <string>
#include <string_view>

#include "drivers/DriverNumbers.h"
#include "drivers/WaitReply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool fFirmwareAbove2 = (data[0] & 1) != 0;
    const std::string lastCommand((data[0] & 2) ? "G" : "I");
    std::string_view reply(reinterpret_cast<const char*>(data + 1), size - 1);

    std::string packed = plyx::drivers::PackReply(reply);
    if (packed.find_first_of("\r\n") != std::string::npos) __builtin_trap();
    packed = plyx::drivers::RepairPackedReply(packed, fFirmwareAbove2, lastCommand);
    try {
        const plyx::drivers::WaitReply w = plyx::drivers::ParseWaitReply(packed);
        if (w.lWaitType < -2 || w.lWaitType > 4) __builtin_trap();
        if (w.lQueueCount < -32768 || w.lQueueCount > 32767) __builtin_trap();
        if (w.lWaitType < 0 && w.lQueueCount != 0) __builtin_trap();
    } catch (const plyx::drivers::ArithmeticOverflow&) {
        // A count beyond 16 bits is the board's fault and is reported as such.
    }
    return 0;
}
