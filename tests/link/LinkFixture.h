#pragma once
// A board link on a pseudo-terminal: the scripted peer is the board, COM3
// through a ports/COM3 link in a data directory of the test's own; /dev and
// /sys are empty folders, so no real device of the machine takes part.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "link/CommLog.h"
#include "link/ZentrovaCom.h"
#include "platform/TextCodec.h"
#include "tests/support/ScriptedPeer.h"
#include "tests/support/TempDir.h"

namespace plyx::test {

// The UTF-16 log file as UTF-8 text.
inline std::string DecodeLog(std::string raw) {
    if (raw.size() >= 2 && raw[0] == '\xFF' && raw[1] == '\xFE') raw.erase(0, 2);
    std::u16string u;
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2)
        u += static_cast<char16_t>(static_cast<unsigned char>(raw[i]) | (static_cast<unsigned char>(raw[i + 1]) << 8));
    return platform::Utf16ToUtf8(u);
}

// Whether text holds every one of parts; on failure shows the whole text.
inline ::testing::AssertionResult HoldsAll(const std::string& text, std::initializer_list<std::string> parts) {
    for (const std::string& part : parts)
        if (text.find(part) == std::string::npos)
            return ::testing::AssertionFailure() << "<" << part << "> is not in:\n" << text;
    return ::testing::AssertionSuccess();
}
inline ::testing::AssertionResult Holds(const std::string& text, const std::string& part) {
    return HoldsAll(text, {part});
}

// The error a call throws; fails the test when it throws none.
template <typename F>
link::BoardLinkError ErrorOf(F&& f) {
    try {
        f();
    } catch (const link::BoardLinkError& e) {
        return e;
    }
    ADD_FAILURE() << "no BoardLinkError was thrown";
    return link::BoardLinkError(0, "", "");
}

struct LinkFixture : ::testing::Test {
    LinkFixture() {
        ::setenv("PLYX3_DOCUMENTS_DIR", dir.path().c_str(), 1);
        dataDir = dir.path() + "/PLYX3";
        for (const std::string& d : {dataDir, dataDir + "/ports", dir.path() + "/dev", dir.path() + "/sys"})
            ::mkdir(d.c_str(), 0755);
        LinkPort(3, peer.SlavePath());
        log.LogFileOpen(dir.File("comm.log"));
        link = std::make_unique<link::ZentrovaCom>(log);
        link->SetPortPaths(Paths());
    }

    platform::serial::PortPaths Paths() const {
        return {.dataDirectory = dataDir, .devRoot = dir.path() + "/dev", .sysRoot = dir.path() + "/sys"};
    }

    void LinkPort(int n, const std::string& device) {
        std::string path = dataDir + "/ports/COM" + std::to_string(n);
        ::unlink(path.c_str());
        EXPECT_EQ(::symlink(device.c_str(), path.c_str()), 0);
    }

    std::string LogText() {
        log.Flush();
        return DecodeLog(dir.Read("comm.log"));
    }

    void OpenCom3() {
        link->PortOpen("COM3");
        peer.TakeReceived();
    }

    TempDir dir;
    std::string dataDir;
    ScriptedPeer peer;
    link::CommLog log;
    std::unique_ptr<link::ZentrovaCom> link;
};

}  // namespace plyx::test
