// The run journal survives a kill -9 at any moment of its writing: always
// the old or the new journal, whole, never a mix or a torn one.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "engine/plan/RunJournal.h"
#include "platform/Files.h"
#include "tests/support/TempDir.h"

namespace plyx::test {
namespace {

// A journal of some 40 KB (a long finishing file), so that writing it
// takes long enough to be caught in the middle.
engine::JournalEntry Journal(std::int32_t layer) {
    engine::JournalEntry e;
    e.start = 1000;
    e.updated = 1000 + layer;
    e.port = "COM1";
    e.shellFile = "/shells/a.cfg";
    e.layersPlanned = 6;
    e.layerReached = layer;
    e.movesRun = 40 * layer;
    e.positionKnown = true;
    e.startX = e.originX = -5;
    e.parameters = {{"TLC", "6"}, {"MRC", "12"}};
    e.scaleChanges = {{77, 4, 0.125}};
    for (int i = 0; i < 2000; ++i) e.finishingLines.push_back("X" + std::to_string(i) + "=" + std::to_string(layer));
    return e;
}

TEST(JournalKill, EveryKillLeavesTheOldOrTheNewJournal) {
    TempDir dir;
    const engine::RunJournal journal(dir.File("C1.run.journal"));
    const engine::JournalEntry a = Journal(2), b = Journal(3);
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(journal.Write(b));
    ASSERT_TRUE(journal.Write(a));
    const auto cycleUs =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0).count();
    std::mt19937 gen(4711);
    std::uniform_int_distribution<long long> delayUs(0, 2 * cycleUs + 2000);
    int sawA = 0, sawB = 0;
    for (int round = 0; round < 40; ++round) {
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        for (bool second = true; child == 0; second = !second) journal.Write(second ? b : a);
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(gen)));
        ASSERT_EQ(::kill(child, SIGKILL), 0);
        ASSERT_EQ(::waitpid(child, nullptr, 0), child);
        const std::optional<engine::JournalEntry> now = journal.Read();
        ASSERT_TRUE(now) << "round " << round << ": no whole journal";
        const std::string text = engine::JournalText(*now);
        ASSERT_TRUE(text == engine::JournalText(a) || text == engine::JournalText(b)) << "round " << round << ": a mix";
        (now->layerReached == 2 ? sawA : sawB)++;
    }
    EXPECT_TRUE(sawA > 0 && sawB > 0);  // the kills landed in different phases
}

}  // namespace
}  // namespace plyx::test
