// Malformed parameter files, made here: whatever a file holds, loading it
// never crashes or hangs, every value stays within its documented range,
// and a file that cannot be read is reported, not half-read. The expected
// behaviour is written beside each case.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cfloat>
#include <cmath>
#include <string>

#include "app/ParameterFiles.h"
#include "tests/app/CoreFixture.h"
#include "tests/reliability/ReliabilityUtil.h"

namespace plyx::test {
namespace {

class BadParameterFileTest : public CoreFixture {
protected:
    std::string File(const std::string& name) { return docs.path() + "/" + name; }

    // Loads bytes as a named shell file.
    void Load(const std::string& bytes, const std::string& name = "bad.cfg") {
        WriteBytes(File(name), bytes);
        app::LoadParameterFile(env, params, File(name));
    }

    // The ranges the readers promise, whatever the file said.
    void ExpectSane() const {
        const app::ParameterSet& p = params;
        for (double z : {p.zSSR, p.zRR, p.zWheelDiameter, p.zSD, p.zPD, p.zTS, p.zASAPL, p.zMISP, p.zTASP,
                         p.zTASIP, p.zDSF, p.zMRFL, p.zMRSL, p.zMRSI, p.zTARFL, p.zTARSL, p.zTRI, p.zBRIP,
                         p.zTRS, p.zWA})
            EXPECT_TRUE(std::isfinite(z));
        EXPECT_GE(p.idChainIntervalTechnique, 0);
        EXPECT_LE(p.idChainIntervalTechnique, 2);
        EXPECT_GT(p.zWheelDiameter, 0);
        EXPECT_TRUE(p.zWA == -25 || (p.zWA >= 0 && p.zWA <= 45)) << p.zWA;
        EXPECT_EQ(p.strModel.find(' '), std::string::npos);
        EXPECT_EQ(p.strLogFile.find(' '), std::string::npos);
    }
};

// Binary junk: read line by line like any file; no message (the file did
// open), values in range, the file becomes the current shell file.
TEST_F(BadParameterFileTest, BinaryJunkLeavesEveryValueInRange) {
    for (std::uint32_t seed = 1; seed <= 4; ++seed) {
        app::LoadDefaults(params);
        Load(Junk(256 * 1024, seed));
        ExpectSane();
        EXPECT_EQ(params.CurrentShellFile, File("bad.cfg"));
    }
    EXPECT_TRUE(dialogs.messages.empty());
}

// Good lines between junk lines are still read, and there is no line
// limit: the 40,001st line is read too.
TEST_F(BadParameterFileTest, GoodLinesAmongJunkAreRead) {
    std::string junk = Junk(64 * 1024, 7);
    for (char& c : junk)
        if (c == '=' || c == '\r' || c == '\n') c = 'x';
    std::string many;
    for (int i = 0; i < 40000; ++i) many += "NOSUCHKEY=" + std::to_string(i) + "\r\n";
    Load(junk + "\r\nSD=7.5\n" + junk + "\r" + many + "TLC=9\r\n" + junk);
    EXPECT_DOUBLE_EQ(params.zSD, 7.5);
    EXPECT_EQ(params.cTLC, 9);
}

// A 1 MB number is too large for a double and reads as 0; a 1 MB text value
// is kept whole (blanks removed) and survives a save and reload; a 1 MB line
// without "=" or with an unknown 1 MB key is ignored.
TEST_F(BadParameterFileTest, MegabyteLines) {
    const std::size_t mb = 1 << 20;
    std::string model;
    for (std::size_t i = 0; i < mb; ++i) model += (i % 7 == 3) ? ' ' : static_cast<char>('a' + i % 26);
    std::string expectedModel;
    for (char c : model)
        if (c != ' ') expectedModel += c;
    Load("SD=" + std::string(mb, '7') + "\r\n" + "MODEL=" + model + "\r\n" + std::string(mb, 'q') + "\r\n" +
         std::string(mb, 'K') + "=5\r\n" + "TLC=9\r\n");
    EXPECT_EQ(params.zSD, 0);
    EXPECT_EQ(params.strModel, expectedModel);
    EXPECT_EQ(params.cTLC, 9);

    ASSERT_TRUE(app::WriteParameterFile(env, params, "", 0));
    params.strModel.clear();
    app::LoadParameterFile(env, params, "");
    EXPECT_EQ(params.strModel, expectedModel);
}

// Huge and malformed numbers: out-of-range reals and integers read as 0 and
// then meet the key's own rule (wheel diameter 0 becomes 4, the wheel angle
// is held to 0..45, a technique of 0 is valid).
TEST_F(BadParameterFileTest, HugeNumbers) {
    Load("SD=1E400\r\nPD=-1D999\r\nTS=&HFFFFFFFFF\r\nMSPS=1E10\r\nWHEELDIAMETER=1E999\r\nWA=1E300\r\n"
         "CHAININTERVALTECHNIQUE=1E300\r\nMOTORCURRENTMA=99999999999999999999\r\nREQCOMPORT=1E300\r\n"
         "DSF=1.7976931348623157E308\r\n");
    const double reals[][2] = {{params.zSD, 0}, {params.zPD, 0}, {params.zTS, 0}, {params.zWheelDiameter, 4},
                               {params.zWA, 45}, {params.zDSF, DBL_MAX}};
    for (const auto& r : reals) EXPECT_EQ(r[0], r[1]) << "case " << (&r - reals);
    EXPECT_EQ(params.cMSPS, 0);
    EXPECT_EQ(params.idChainIntervalTechnique, 0);
    EXPECT_EQ(params.cMotorCurrentMA, 0);
    ExpectSane();
}

// The largest doubles must survive a save and reload: written with 15 digits
// they used to round up past the largest double and read back as 0.
TEST_F(BadParameterFileTest, LargestNumbersSurviveSaveAndReload) {
    params.zSD = DBL_MAX;
    params.zPD = -DBL_MAX;
    params.zTS = 1.797693134862315e308;
    ASSERT_TRUE(app::WriteParameterFile(env, params, File("big.cfg"), 2));
    app::LoadDefaults(params);
    app::LoadParameterFile(env, params, File("big.cfg"));
    EXPECT_NEAR(params.zSD / DBL_MAX, 1.0, 1e-14);
    EXPECT_NEAR(params.zPD / DBL_MAX, -1.0, 1e-14);
    EXPECT_NEAR(params.zTS / DBL_MAX, 1.0, 1e-14);
}

// NUL bytes: a number ends at a NUL, a key with a NUL inside is unknown, a
// value that starts with a NUL reads as 0, and a file name is cut at its
// first NUL.
TEST_F(BadParameterFileTest, NulBytes) {
    const std::string nul(1, '\0');
    Load("SD=7" + nul + "99\r\nTLC=" + nul + "5\r\nMO" + nul + "DEL=x\r\nBLC=3\r\n");
    EXPECT_EQ(params.zSD, 7);
    EXPECT_EQ(params.cTLC, 0);
    EXPECT_EQ(params.strModel, "");
    EXPECT_EQ(params.cBLC, 3);

    WriteBytes(File("named.cfg"), "MRC=20\r\n");
    app::LoadParameterFile(env, params, File("named.cfg") + nul + "junk");
    EXPECT_EQ(params.cMRC, 20);
    EXPECT_EQ(params.CurrentShellFile, File("named.cfg"));
    EXPECT_TRUE(dialogs.messages.empty());
}

// Folders, devices and pipes are no text files: refused at once, never read
// (a pipe with no writer, or /dev/zero, would otherwise hang or eat memory).
TEST_F(BadParameterFileTest, FoldersDevicesAndPipesAreRefused) {
    const std::string fifo = File("pipe.cfg"), folder = File("folder.cfg");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    for (const std::string& path : {folder, fifo, std::string("/dev/zero"), std::string("/dev/urandom")}) {
        dialogs.messages.clear();
        app::LoadParameterFile(env, params, path);
        ASSERT_EQ(dialogs.messages.size(), 1u) << path;
        EXPECT_EQ(dialogs.messages[0].title, "Trying to open parameters file " + path);
        EXPECT_EQ(params.CurrentShellFile, "");
    }
}

// A file beyond 64 MB (sparse here) is refused with a message rather than
// read into memory.
TEST_F(BadParameterFileTest, OversizedFileIsRefused) {
    const std::string path = File("huge.cfg");
    WriteBytes(path, "SD=9\r\n");
    ASSERT_EQ(::truncate(path.c_str(), (64 << 20) + 1), 0);
    params.zSD = 8;
    app::LoadParameterFile(env, params, path);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dialogs.messages[0].text.find("File too large"), std::string::npos) << dialogs.messages[0].text;
    EXPECT_EQ(params.zSD, 8);
}

}  // namespace
}  // namespace plyx::test
