#pragma once
// A whole run on the simulated board with a fault thrown in: the real run
// engine, driver and board link on a pseudo-terminal, headless views, the
// working log open in the data folder.
#include <gtest/gtest.h>

#include <chrono>
#include <exception>
#include <memory>
#include <optional>
#include <string>

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
};

class RunFaultTest : public EngineTest {
protected:
    ~RunFaultTest() override;
    // A board (4-axis unless options name another firmware) as COM3, the
    // program log "work.log", the controller initialized.
    void StartBoard(sim::SimOptions options = {});
    platform::serial::PortPaths Paths() const;

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
        out.ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
        return out;
    }
    // Turns of the event pump are counted from 1 for each run.
    RunOutcome Run(bool burnish = false) {
        pump.dispatches = 0;
        return Timed([&] { engine->StartRun(burnish); });
    }

    std::unique_ptr<sim::Simulator> board;
    std::unique_ptr<link::ZentrovaCom> boardLink;
    std::string dataDir;
    std::function<void(int)> script;
};

}  // namespace plyx::engine::test
