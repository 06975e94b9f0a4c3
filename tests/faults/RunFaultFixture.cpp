#include "tests/faults/RunFaultFixture.h"

namespace plyx::engine::test {

RunFaultTest::~RunFaultTest() {
    engine->ReleaseDrivers();
    boardLink.reset();
    board.reset();
}

void RunFaultTest::StartBoard(sim::SimOptions options) {
    dataDir = env->GetDataDirectory();
    board = std::make_unique<sim::Simulator>(std::move(options));
    board->Start();
    board->RegisterAsCom(dataDir, 3);
    env->OpenProgramLog("work.log");
    boardLink = std::make_unique<link::ZentrovaCom>(log);
    boardLink->SetPortPaths(Paths());
    boardLink->PortOpen("COM3");
    engine->UseController(nullptr);
    engine->CreateDriver(*boardLink);
    engine->InitializeController();
    pump.onDispatch = [this](int n) {
        if (script) script(n);
        if (n > 20000) board->SetLimitInputs(0);  // never let a broken run hang the suite
    };
}

platform::serial::PortPaths RunFaultTest::Paths() const {
    platform::serial::PortPaths paths;
    paths.dataDirectory = dataDir;
    paths.sysRoot = dir.File("sys");
    return paths;
}

}  // namespace plyx::engine::test
