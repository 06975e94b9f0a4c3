// The machine's counters against the production record: over runs of every
// outcome, three programs one after the other, a run killed in the middle
// and one killed between its record line and the counters, they add up to
// the record's lines; the maintenance counter's reset is a record line of
// its own; the file is written at a run's start, its layers and its end
// only, and a kill at any moment leaves it old or new, never torn.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <random>
#include <set>
#include <thread>

#include "engine/machine/MachineKeeper.h"
#include "engine/machine/RecordLines.h"
#include "engine/plan/RunJournal.h"
#include "platform/Files.h"
#include "tests/engine/EngineFixture.h"
#include "tests/support/Csv.h"

namespace plyx::engine::test {
namespace {

using plyx::test::ParseCsv;

// One instance of the program: its observers of the runs.
struct Program {
    Program(app::Environment& env, app::ParameterSet& params, RunEngine& engine)
        : runs(env, params, engine), machine(env, params, engine, runs) {}
    RunFollowers runs;
    MachineKeeper machine;
};

// What the record's run lines add up to (service lines left out).
struct RecordSums {
    std::map<std::string, std::int64_t> runs;  // by outcome
    std::int64_t seconds = 0, boardErrors = 0, lostMoves = 0, lines = 0;
    double feet = 0;
};

RecordSums SumRecord(const std::string& path) {
    RecordSums s;
    const auto rows = ParseCsv(platform::ReadWholeFile(path).value_or(""));
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const std::vector<std::string>& r = rows[i];
        EXPECT_EQ(r.size(), 14u) << i;
        if (r.size() != 14 || r[5] == "service") continue;
        ++s.lines;
        ++s.runs[r[11]];
        s.seconds += std::stoll(r[10]);
        s.feet += std::stod(r[9]);
        s.boardErrors += !r[12].empty() && r[12] != "0";
        s.lostMoves += r[12] == std::to_string(LostMovesErrorNumber());
    }
    return s;
}

std::map<std::string, std::int64_t> ByOutcome(const MachineCounters& c) {
    std::map<std::string, std::int64_t> m;
    for (std::size_t i = 0; i < kRunOutcomes.size(); ++i)
        if (c.runs[i] != 0) m[kRunOutcomes[i].outcome] = c.runs[i];
    return m;
}

void ExpectSameAsRecord(const MachineCounters& c, const RecordSums& s) {
    EXPECT_EQ(ByOutcome(c), s.runs);
    EXPECT_EQ(c.runSeconds, s.seconds);
    EXPECT_NEAR(c.tapeInches / 12.0, s.feet, 0.05 * static_cast<double>(s.lines) + 1e-9);  // the record rounds to 0.1 ft
    EXPECT_EQ(c.boardErrors, s.boardErrors);
    EXPECT_EQ(c.lostMoves, s.lostMoves);
}

class CountersTest : public SimulatedRunTest {
protected:
    CountersTest() {
        env->ComPortName = "COM3";
        env->PerPortPrefix = "C3.";
        params.cTLC = 2;
    }
    // A run on the board; trigger steers it (after 3 s of machine time).
    void Run(std::function<void(int)> trigger, bool burnish = false) {
        board->ClearMoves();
        pump.dispatches = 0;
        script = [this, trigger](int n) {
            if (n == 3) clock.AdvanceMs(3000);
            if (trigger) trigger(n);
        };
        engine->StartRun(burnish);
        script = nullptr;
        clock.AdvanceMs(5000);
    }
    // A run the board never sees: the engine's events only.
    void EventRun(std::int32_t errorNumber, const std::string& text) {
        engine->Events().RunStarted(false);
        clock.AdvanceMs(7000);
        engine->Events().ControllerAt({.inches = 150.0});
        engine->Events().LayerStarted(1);
        engine->Events().RunFailed(errorNumber, text);
        clock.AdvanceMs(5000);
    }
    bool Laying() { return program && program->runs.progress.LaidInches() > 0; }
    std::string RecordPath() { return env->GetDataDirectory() + "/C3.runs.csv"; }

    std::unique_ptr<Program> program = std::make_unique<Program>(*env, params, *engine);
};

TEST_F(CountersTest, AddUpToTheProductionRecordOverRunsProgramsAndKills) {
    // The first program: five outcomes, then killed in the middle of a run.
    Run(nullptr);
    Run([&](int n) {
        if (n == 10) {
            program->runs.record.NoteAbortFromWindow();
            engine->AbortRun();
        }
    });
    Run([&](int n) {
        if (n == 6) board->Press(sim::Switch::Stop);
        if (globals.RunState == kRunAbortRequested) board->Release(sim::Switch::Stop);
    });
    Run(nullptr, true);
    Run([&](int n) { pump.quit = pump.quit || n == 8; });
    pump.quit = false;
    EXPECT_EQ(program->machine.Counters().Runs(), 5);
    const MachineCounters beforeKill = program->machine.Counters();
    Run([&](int n) {
        if (n > 3 && Laying() && program->runs.progress.LayerReached() >= 2) program.reset();
    });
    ASSERT_EQ(program, nullptr);

    // The second: the killed run is recorded at its start, and counted from
    // that line. Then killed again between a run's line and the counters.
    program = std::make_unique<Program>(*env, params, *engine);
    const MachineCounters open = program->machine.Counters();
    EXPECT_EQ(open.Runs(), 5);
    EXPECT_GT(open.tapeInches, beforeKill.tapeInches);  // the killed run so far, not yet a run
    program->runs.record.RecordInterruptedRun();
    EXPECT_EQ(program->machine.Counters().runs[RunOutcomeIndex("interrupted")], 1);
    Run([&](int n) {
        if (n > 3 && Laying()) engine->Events().Unsubscribe(&program->machine);
    });

    // The third: the run the counters missed comes from the record at the
    // next start; then errors, lost moves and the program's own end.
    program = std::make_unique<Program>(*env, params, *engine);
    Run(nullptr);
    EventRun(-2147191500, "Error 4 reported by ZentrovaCom.ReadToDone\r\nFailed to synchronize");
    EventRun(LostMovesErrorNumber(), "The controller lost 12 moves it had accepted");
    EventRun(0, "the program ended during the run");

    const RecordSums sums = SumRecord(RecordPath());
    EXPECT_EQ(sums.runs, (std::map<std::string, std::int64_t>{{"aborted from the panel (STOP)", 1},
                                                              {"aborted from the window", 1},
                                                              {"completed", 4},
                                                              {"ended by a signal", 1},
                                                              {"error", 3},
                                                              {"interrupted", 1}}));
    EXPECT_GT(sums.seconds, 30);
    const MachineCounters c = program->machine.Counters();
    ExpectSameAsRecord(c, sums);
    EXPECT_EQ(std::make_tuple(c.boardErrors, c.lostMoves), std::make_tuple(2, 1));
    // Never reset: the maintenance counter holds everything.
    EXPECT_EQ(std::make_tuple(c.serviceSeconds, c.serviceTapeInches, c.serviceResetAt),
              std::make_tuple(c.runSeconds, c.tapeInches, std::time_t{0}));

    // The reset: a line of its own, the totals stand, the maintenance
    // counter starts again with the next run.
    ASSERT_TRUE(program->machine.ResetService());
    const auto rows = ParseCsv(*platform::ReadWholeFile(RecordPath()));
    const std::vector<std::string>& service = rows.back();
    ASSERT_EQ(service.size(), 14u);
    EXPECT_EQ((std::vector<std::string>{service[2], service[5], service[6], service[9], service[10], service[11]}),
              (std::vector<std::string>{"COM3", "service", "", "", "", "maintenance counter reset"}));
    Run(nullptr);
    program = std::make_unique<Program>(*env, params, *engine);  // read back from the file
    const MachineCounters after = program->machine.Counters();
    ExpectSameAsRecord(after, SumRecord(RecordPath()));
    const auto last = ParseCsv(*platform::ReadWholeFile(RecordPath())).back();
    EXPECT_EQ(after.serviceSeconds, std::stoll(last[10]));
    EXPECT_NEAR(after.serviceTapeInches / 12.0, std::stod(last[9]), 0.05);
    EXPECT_EQ(service[0], IsoTime(after.serviceResetAt));
}

// A run killed in the middle whose journal was lost never gets a record
// line: the counters leave it out at the next run (and still add up), but
// the roll keeps what the run took from it.
TEST_F(CountersTest, ARunTheRecordNeverGotIsLeftOutButNotItsTape) {
    ASSERT_TRUE(program->machine.SetRoll(1200));
    double taken = 0;  // by the controller when the program was killed
    Run([&](int n) {
        if (n > 3 && Laying() && program->runs.progress.LayerReached() >= 2) {
            taken = program->runs.progress.LaidInches();
            program.reset();
        }
    });
    ASSERT_GT(taken, 0);
    const std::optional<MachineFile> killed =
        ParseMachine(platform::ReadWholeFile(env->GetDataDirectory() + "/C3.machine").value_or(""));
    ASSERT_TRUE(killed);
    ASSERT_GT(killed->open.tapeInches, 0);
    ASSERT_TRUE(platform::DeleteFile(JournalPath(*env)));
    program = std::make_unique<Program>(*env, params, *engine);
    program->runs.record.RecordInterruptedRun();
    const MachineCounters open = program->machine.Counters();
    EXPECT_EQ(open.Runs(), 0);
    EXPECT_GT(open.tapeInches, 0);  // as far as it was written
    Run(nullptr);
    const MachineCounters c = program->machine.Counters();
    const RecordSums sums = SumRecord(RecordPath());
    EXPECT_EQ(sums.lines, 1);
    ExpectSameAsRecord(c, sums);
    EXPECT_NEAR(c.rollInches, 1200 - killed->open.tapeInches - program->runs.record.LastRun()->laidInches, 1e-9);
    EXPECT_TRUE(Logged("Machine counters: the run started " + IsoTime(killed->open.start) +
                       " has no line in the production record -- left out"));
}

// The file changes when a run starts, at each layer and at its end, never
// per move, and holds the run so far while it goes.
TEST_F(CountersTest, WrittenAtTheStartEachLayerAndTheEndOnly) {
    params.cTLC = 3;
    const std::string path = program->machine.FilePath();
    std::set<std::pair<ino_t, long>> versions;
    std::optional<MachineFile> midRun;
    Run([&](int) {
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) versions.insert({st.st_ino, st.st_ctim.tv_nsec});
        if (program->runs.progress.LayerReached() == 2 && !midRun)
            midRun = ParseMachine(platform::ReadWholeFile(path).value_or(""));
    });
    EXPECT_GE(versions.size(), 2u);
    EXPECT_LE(versions.size(), 5u);  // start, three layers, end
    ASSERT_TRUE(midRun);
    EXPECT_NE(midRun->open.start, 0);
    EXPECT_GT(midRun->open.tapeInches, 0);
    const std::optional<MachineFile> end = ParseMachine(platform::ReadWholeFile(path).value_or(""));
    ASSERT_TRUE(end);
    EXPECT_EQ(end->open.start, 0);
    EXPECT_EQ(end->done.runs[RunOutcomeIndex("completed")], 1);
}

// A writer killed with SIGKILL at random moments over two writes: the file
// is always the old or the new one, and the next program reads it.
TEST_F(BoardTest, CountersSurviveAKillAtAnyMoment) {
    env->PerPortPrefix = "C3.";
    auto program = std::make_unique<Program>(*env, params, *engine);
    const std::string path = program->machine.FilePath();
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(program->machine.SetRoll(1200));
    const std::string a = platform::ReadWholeFile(path).value_or("");
    ASSERT_TRUE(program->machine.SetRoll(2400));
    const std::string b = platform::ReadWholeFile(path).value_or("");
    ASSERT_NE(a, b);
    const auto cycleUs =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0).count();
    std::mt19937 gen(2026);
    std::uniform_int_distribution<long long> delayUs(0, 2 * cycleUs + 1000);
    int sawA = 0, sawB = 0;
    for (int round = 0; round < 30; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        for (bool big = false; child == 0; big = !big) program->machine.SetRoll(big ? 2400 : 1200);
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(gen)));
        ASSERT_EQ(::kill(child, SIGKILL), 0);
        ASSERT_EQ(::waitpid(child, nullptr, 0), child);
        const std::string now = platform::ReadWholeFile(path).value_or("<missing>");
        ASSERT_TRUE(now == a || now == b) << "round " << round << ": " << now;
        (now == a ? sawA : sawB)++;
    }
    EXPECT_TRUE(sawA > 0 && sawB > 0);
    program = std::make_unique<Program>(*env, params, *engine);
    const double roll = program->machine.Counters().rollInches;
    EXPECT_TRUE(roll == 1200 || roll == 2400) << roll;
}

// The file's text read back, and what is no counters file refused (it is
// then kept aside and counting starts again).
TEST(MachineFile, ReadsBackWhatItWroteAndRefusesAnythingElse) {
    MachineFile f;
    f.done.runSeconds = 7265;
    f.done.tapeInches = 12345.678;
    f.done.runs[RunOutcomeIndex("aborted from the panel (ABORT)")] = 3;
    f.done.runs[RunOutcomeIndex("interrupted")] = 2;
    f.done.boardErrors = 4;
    f.done.lostMoves = 1;
    f.done.serviceSeconds = 60;
    f.done.serviceTapeInches = 0.1;
    f.done.serviceResetAt = 1765000000;
    f.done.rollTracked = true;
    f.done.rollInches = 1e-3;
    f.open = {1765000100, 42, 99.5};
    const std::string text = MachineText(f);
    const std::optional<MachineFile> back = ParseMachine(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(MachineText(*back), text);
    EXPECT_EQ(std::make_tuple(back->done.tapeInches, back->done.runs, back->done.rollInches, back->open.tapeInches),
              std::make_tuple(f.done.tapeInches, f.done.runs, f.done.rollInches, f.open.tapeInches));
    EXPECT_TRUE(ParseMachine(text + "added_later=5\n"));
    const auto replaced = [&](const std::string& key, const std::string& value) {
        const std::size_t at = text.find("\n" + key + "=") + 1;
        return text.substr(0, at) + key + "=" + value + text.substr(text.find('\n', at));
    };
    for (const std::string& bad : {text.substr(0, text.size() / 2), text.substr(0, text.find("open_start=")), std::string(), "PLYX3 run journal\n" + text.substr(text.find('\n') + 1),
                                   replaced("board_errors", "-1"), replaced("tape_laid_in", "nan"),
                                   replaced("roll_tracked", "2"), replaced("runs_completed", "1.5"),
                                   replaced("open_start", ""), text + "no equals sign\n"})
        EXPECT_FALSE(ParseMachine(bad)) << bad;
}

// A run's line is found by its start among the record's lines, whatever
// comes after it and however its fields are quoted; a line of another
// shape, or none with that start, is no run's line.
TEST(RecordLines, FindTheRunsLineByItsStart) {
    plyx::test::TempDir dir;
    const std::string path = dir.File("C3.runs.csv");
    const auto line = [](const std::string& start, const std::string& shell, const char* feet, const char* seconds,
                         const char* outcome, const char* number) {
        return CsvLine({start, start, "COM3", "M", shell, "full", "6", "2", "90.0", feet, seconds, outcome, number, ""});
    };
    dir.Write("C3.runs.csv", std::string(RunRecord::kHeader) +
                                 line("2026-12-07T10:00:00+01:00", "a,\"b\"\r\nc.cfg", "40.5", "300", "interrupted", "") +
                                 "2026-12-07T11:00:00+01:00,too,few\r\n" +
                                 line("2026-12-07T11:00:00+01:00", "d.cfg", "12.5", "60", "error", "-2147191494") +
                                 line("2026-12-07T12:00:00+01:00", "e.cfg", "1.0", "5", "completed", ""));
    const struct {
        const char* start;
        std::optional<RecordedRun> run;
    } cases[] = {{"2026-12-07T10:00:00+01:00", RecordedRun{"interrupted", 300, 40.5 * 12, 0}},
                 {"2026-12-07T11:00:00+01:00", RecordedRun{"error", 60, 12.5 * 12, -2147191494}},
                 {"2026-12-07T12:00:00+01:00", RecordedRun{"completed", 5, 12.0, 0}},
                 {"2026-12-07T13:00:00+01:00", std::nullopt}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.start);
        const std::optional<RecordedRun> found = FindRecordedRun(path, c.start);
        ASSERT_EQ(found.has_value(), c.run.has_value());
        if (found) {
            EXPECT_EQ(std::make_tuple(found->outcome, found->seconds, found->tapeInches, found->errorNumber),
                      std::make_tuple(c.run->outcome, c.run->seconds, c.run->tapeInches, c.run->errorNumber));
        }
    }
}

}  // namespace
}  // namespace plyx::engine::test
