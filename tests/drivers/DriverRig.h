#pragma once
// A 4-axis driver bound to a board link whose port is a FakeBoard (or any
// pseudo-terminal), reached as COM7 through a temporary data directory.
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "drivers/QM4DNCRouter.h"
#include "link/CommLog.h"
#include "link/ZentrovaCom.h"
#include "platform/FakeClock.h"
#include "tests/drivers/FakeBoard.h"
#include "tests/support/TempDir.h"

namespace plyx::test {

// Opens devicePath as COM7 on a new link.
inline std::shared_ptr<link::ZentrovaCom> OpenLink(link::CommLog& log, const TempDir& dir,
                                                   const std::string& devicePath) {
    std::string ports = dir.File("ports");
    ::mkdir(ports.c_str(), 0700);
    std::string com = ports + "/COM7";
    ::unlink(com.c_str());
    if (::symlink(devicePath.c_str(), com.c_str()) != 0) return nullptr;
    auto z = std::make_shared<link::ZentrovaCom>(log);
    platform::serial::PortPaths paths;
    paths.dataDirectory = dir.path();
    paths.devRoot = dir.File("no-dev");
    paths.sysRoot = dir.File("no-sys");
    z->SetPortPaths(paths);
    z->PortOpen("COM7");
    return z;
}

// The driver's waits and host sleeps run on `clock`.
struct Rig {
    explicit Rig(platform::Clock& driverClock) : router(driverClock) {
        link = OpenLink(log, dir, board.DevicePath());
        router.SetZentrovaRef(link);
        board.TakeWire();
    }
    // Identifies the board as firmware/version and forgets the wire so far.
    void Identified(const std::string& firmware, const std::string& version) {
        board.Identify(firmware, version);
        board.Value(-20, 40000);
        board.Value(-15, 76000);
        router.ReportCopyRightText();
        board.TakeWire();
    }

    TempDir dir;
    FakeBoard board;
    link::CommLog log;
    std::shared_ptr<link::ZentrovaCom> link;
    drivers::QM4DNCRouter router;
};

}  // namespace plyx::test
