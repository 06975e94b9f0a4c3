#include "tests/faults/RunFaultFixture.h"

#include <fstream>
#include <iterator>

#include "app/ParameterSet.h"

namespace plyx::engine::test {

std::string RunFaultTest::ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string RunFaultTest::WorkLog() {
    log.Flush();
    const std::string raw = ReadBytes(logPath);
    std::string text;
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2)
        text += raw[i + 1] == 0 ? raw[i] : '?';
    return text;
}

void RunFaultTest::ExpectSettingsIntact() {
    const std::string path = app::GetSettingsFilePath(*env);
    EXPECT_EQ(ReadBytes(path), settingsBytes) << path;
    app::ParameterSet back;
    back.cTLC = back.cMRC = -1;
    back.zPD = back.zMRSI = -1;
    app::LoadParameterFile(*env, back, "");
    EXPECT_EQ(back.cTLC, params.cTLC);
    EXPECT_EQ(back.cMRC, params.cMRC);
    EXPECT_EQ(back.cMSPS, params.cMSPS);
    EXPECT_DOUBLE_EQ(back.zPD, params.zPD);
    EXPECT_DOUBLE_EQ(back.zMRSI, params.zMRSI);
}

}  // namespace plyx::engine::test
