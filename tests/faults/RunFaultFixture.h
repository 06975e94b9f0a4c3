#pragma once
// A whole run on the simulated board with a fault thrown in: the real run
// engine, driver and board link on a pseudo-terminal, headless views, the
// working log open in the data folder. Helpers report how the run ended, how
// long it took, what the log holds and whether the settings file survived.
#include <gtest/gtest.h>

#include <chrono>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/ParameterFiles.h"
#include "link/BoardLinkError.h"
#include "link/ZentrovaCom.h"
#include "sim/Simulator.h"
#include "tests/engine/EngineFixture.h"

namespace plyx::engine::test {

struct RunOutcome {
    std::optional<link::BoardLinkError> error;
    std::string otherError;  // what() of any other exception
    long long ms = 0;
    int Number() const { return error ? error->SmallNumber() : 0; }
    // Line i of the error's description: 0 "Error n reported by <source>",
    // 1 the message itself.
    std::string Line(std::size_t i) const {
        if (!error) return "";
        const std::string& d = error->Description();
        std::size_t start = 0;
        for (; i > 0 && start != std::string::npos; --i) {
            start = d.find("\r\n", start);
            if (start != std::string::npos) start += 2;
        }
        if (start == std::string::npos) return "";
        return d.substr(start, d.find("\r\n", start) - start);
    }
};

class RunFaultTest : public EngineTest {
protected:
    // A 4-axis board unless options name another firmware.
    void StartBoard(sim::SimOptions options = {}, bool initialize = true) {
        dataDir = env->GetDataDirectory();
        board = std::make_unique<sim::Simulator>(std::move(options));
        board->Start();
        board->RegisterAsCom(dataDir, 3);
        env->OpenProgramLog("work.log");
        logPath = dataDir + "/" + env->PerPortPrefix + "work.log";
        boardLink = std::make_unique<link::ZentrovaCom>(log);
        platform::serial::PortPaths paths;
        paths.dataDirectory = dataDir;
        paths.sysRoot = dir.File("sys");
        boardLink->SetPortPaths(paths);
        boardLink->PortOpen("COM3");
        engine->UseController(nullptr);
        engine->CreateDriver(*boardLink);
        if (initialize) engine->InitializeController();
        pump.onDispatch = [this](int n) {
            if (script) script(n);
            if (n > 20000) board->SetLimitInputs(0);  // never let a broken run hang the suite
        };
    }
    ~RunFaultTest() override {
        engine->ReleaseDrivers();
        boardLink.reset();
        board.reset();
    }

    // Writes the settings file as a run start writes it and keeps its bytes.
    void KeepSettingsBytes() {
        ASSERT_TRUE(app::WriteParameterFile(*env, params, "", 0));
        settingsBytes = ReadBytes(app::GetSettingsFilePath(*env));
        ASSERT_FALSE(settingsBytes.empty());
    }

    // Runs fn, catching the board link's error, and times it.
    template <typename Fn>
    RunOutcome Timed(Fn fn) {
        RunOutcome out;
        const auto t0 = std::chrono::steady_clock::now();
        try {
            fn();
        } catch (const link::BoardLinkError& e) {
            out.error = e;
        } catch (const std::exception& e) {
            out.otherError = e.what();
        }
        out.ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0)
                     .count();
        return out;
    }
    // Turns of the event pump are counted from 1 for each run.
    RunOutcome Run(bool burnish = false) {
        pump.dispatches = 0;
        return Timed([&] { engine->StartRun(burnish); });
    }

    // Every move the board took, run or dropped, as steps and rate.
    std::vector<QueuedMove> RanMoves() const {
        std::vector<QueuedMove> out;
        for (const sim::MoveRecord& m : board->Moves()) out.push_back({m.steps[sim::kX], m.steps[sim::kY], m.rate});
        return out;
    }
    // The working log as text (UTF-16LE, ASCII only here), flushed first.
    std::string WorkLog();
    // The settings file is byte for byte what the run start wrote and reads
    // back to the run's values.
    void ExpectSettingsIntact();
    static std::string ReadBytes(const std::string& path);

    std::unique_ptr<sim::Simulator> board;
    std::unique_ptr<link::ZentrovaCom> boardLink;
    std::string dataDir;
    std::string logPath;
    std::string settingsBytes;
    std::function<void(int)> script;
};

// Position of the last occurrence of what before the position limit, or npos.
inline std::size_t LastBefore(const std::string& text, const std::string& what, std::size_t limit) {
    if (limit == std::string::npos || limit == 0) return std::string::npos;
    return text.rfind(what, limit - 1);
}

}  // namespace plyx::engine::test
