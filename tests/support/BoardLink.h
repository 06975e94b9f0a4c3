#pragma once
// A board link for tests, opened on a device of the test's own (a
// pseudo-terminal or the board simulator) through a temporary data folder,
// so that the machine's own serial ports are never looked at.
#include <filesystem>
#include <memory>
#include <string>

#include "link/CommLog.h"
#include "link/ZentrovaCom.h"
#include "tests/support/TempDir.h"

namespace plyx::test {

// Opens devicePath as COM<com> on a new link.
inline std::shared_ptr<link::ZentrovaCom> OpenBoardLink(link::CommLog& log, const TempDir& dir,
                                                        const std::string& devicePath, int com = 7) {
    std::filesystem::path ports = std::filesystem::path(dir.path()) / "ports";
    std::filesystem::create_directories(ports);
    std::filesystem::path name = ports / ("COM" + std::to_string(com));
    std::filesystem::remove(name);
    std::filesystem::create_symlink(devicePath, name);
    auto z = std::make_shared<link::ZentrovaCom>(log);
    platform::serial::PortPaths paths;
    paths.dataDirectory = dir.path();
    paths.devRoot = dir.File("no-dev");
    paths.sysRoot = dir.File("no-sys");
    z->SetPortPaths(paths);
    z->PortOpen("COM" + std::to_string(com));
    return z;
}

}  // namespace plyx::test
