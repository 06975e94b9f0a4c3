// The run journal, read back after a crash and open to anyone's editing:
// whatever the text, a journal that reads writes back as a text that reads
// as the same journal, its times in order and its positions all or none.
#include <cstdint>
#include <string>

#include "engine/plan/RunJournal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::optional<plyx::engine::JournalEntry> e = plyx::engine::ParseJournal(text);
    if (!e) return 0;
    if (e->updated < e->start) __builtin_trap();
    const std::string written = plyx::engine::JournalText(*e);
    const std::optional<plyx::engine::JournalEntry> again = plyx::engine::ParseJournal(written);
    if (!again || plyx::engine::JournalText(*again) != written) __builtin_trap();
    if (again->positionKnown != e->positionKnown || again->scaleChanges != e->scaleChanges) __builtin_trap();
    return 0;
}
