#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

#include "app/ParameterFiles.h"
#include "platform/Files.h"
#include "tests/app/CoreFixture.h"

using namespace plyx::app;

namespace {

class ParameterFile : public plyx::test::CoreFixture {
protected:
    ParameterFile() { LoadDefaults(params); }
    static std::string ReadBytes(const std::string& path) { return plyx::platform::ReadWholeFile(path).value_or(""); }
};

const char* const kDefaultShellBlock =
    "ASAPL=10\r\nBLC=2\r\nBRIP=10\r\nDSF=10.78125\r\nMISP=26.2\r\nMRC=12\r\nMRFL=387\r\nMRSI=387\r\n"
    "MRSL=327\r\nPAVP=0\r\nPD=10.59\r\nSD=6\r\nTARC=3\r\nTARFL=238\r\nTASIP=6.23529\r\nTARSL=179\r\n"
    "TASP=87.65\r\nTLC=6\r\nTRI=100\r\nTRS=10\r\nTS=2.4\r\nLayerPattern=0\r\n";

}  // namespace

TEST_F(ParameterFile, ShellFileHoldsTheTwentyTwoShellLinesWithoutDefaultWheelAngle) {
    docs.Write("shell.cfg", std::string(100000, 'x'));  // an old, longer file is replaced whole
    std::string path = docs.File("shell.cfg");
    ASSERT_TRUE(WriteParameterFile(env, params, path, kShellBlock));
    EXPECT_EQ(ReadBytes(path), kDefaultShellBlock);
}

TEST_F(ParameterFile, WheelAngleOfZeroOrMoreMakesTwentyThreeLines) {
    std::string path = docs.File("shell.cfg");
    params.zWA = 0;
    params.zSD = 0.5;
    params.cPAVP = -3;
    ASSERT_TRUE(WriteParameterFile(env, params, path, kShellBlock));
    std::string expected = kDefaultShellBlock;
    expected.replace(expected.find("SD=6"), 4, "SD=.5");
    expected.replace(expected.find("PAVP=0"), 6, "PAVP=-3");
    expected.replace(expected.find("LayerPattern"), 0, "WA=0\r\n");
    EXPECT_EQ(ReadBytes(path), expected);
}

TEST_F(ParameterFile, SettingsFileHasMachineBlockThenShellBlock) {
    env.ComPortName = "COM3";
    params.CurrentShellFile = "/shells/big one.cfg";
    params.strModel = "W200";
    params.zSSR = 5.5;
    tables.CurrentResourceFile = "/lang/greek.lng";
    ASSERT_TRUE(WriteParameterFile(env, params, "", 0));
    std::string expected =
        "AutoCloseRunWindow=1\r\nComPort=COM3\r\nCHAININTERVALTECHNIQUE=1\r\nDSU=0\r\n"
        "LastFileLoaded=/shells/big one.cfg\r\nModel=W200\r\nMSPS=16\r\nSSR=5.5\r\nRR=500\r\n"
        "ResourceFile=/lang/greek.lng\r\nWheelDiameter=4\r\nMotorCurrentMA=1000\r\n";
    expected += kDefaultShellBlock;
    EXPECT_EQ(ReadBytes(DataDir() + "/PLYX3.CFG"), expected);
    EXPECT_EQ(params.CurrentShellFile, "/shells/big one.cfg");  // the settings file is not a shell
}

TEST_F(ParameterFile, MachineBlockAloneAndBlocksBeyondBothBits) {
    std::string path = docs.File("m.cf");
    ASSERT_TRUE(WriteParameterFile(env, params, path, kMachineBlock));
    const std::string machine = ReadBytes(path);
    EXPECT_EQ(machine.find("ASAPL"), std::string::npos);
    EXPECT_EQ(machine.rfind("MotorCurrentMA=1000\r\n"), machine.size() - 21);
    ASSERT_TRUE(WriteParameterFile(env, params, path, 4));  // no known bit: both blocks
    EXPECT_NE(ReadBytes(path).find("AutoCloseRunWindow=1\r\n"), std::string::npos);
    EXPECT_NE(ReadBytes(path).find("LayerPattern=0\r\n"), std::string::npos);
}

TEST_F(ParameterFile, WrittenValuesReadBack) {
    params.zSD = 7.25;
    params.zTASIP = 1.0 / 3;
    params.cTARC = 5;
    params.zWA = 12.5;
    params.fLayerPattern = 1;
    params.strModel = "M1";
    params.cMotorCurrentMA = 800;
    params.CurrentShellFile = "/a b/c.cfg";
    env.ComPortName = "COM6";
    ASSERT_TRUE(WriteParameterFile(env, params, "", 0));
    params = ParameterSet();
    env.ComPortName.clear();
    LoadParameterFile(env, params, "");
    EXPECT_EQ(params.zSD, 7.25);
    EXPECT_EQ(params.zTASIP, .333333333333333);
    EXPECT_EQ(params.cTARC, 5);
    EXPECT_EQ(params.zWA, 12.5);
    EXPECT_EQ(params.fLayerPattern, 1);
    EXPECT_EQ(params.strModel, "M1");
    EXPECT_EQ(params.cMotorCurrentMA, 800);
    EXPECT_EQ(params.CurrentShellFile, "/a b/c.cfg");
    EXPECT_EQ(env.ComPortName, "COM6");
    EXPECT_EQ(params.zDSF, 10.78125);
}

TEST_F(ParameterFile, NamedWriteMakesTheShellCurrentAndUnedited) {
    params.ShellEdited = true;
    std::string path = docs.File("new.cfg");
    ASSERT_TRUE(WriteParameterFile(env, params, path + std::string("\0junk", 5), kShellBlock));
    EXPECT_FALSE(params.ShellEdited);
    EXPECT_EQ(params.CurrentShellFile, path);
    params.ShellEdited = true;
    ASSERT_TRUE(WriteParameterFile(env, params, "", 0));
    EXPECT_TRUE(params.ShellEdited);  // the settings file is no shell save
}

TEST_F(ParameterFile, UnwritableTargetGivesErrorReportAndKeepsState) {
    OpenLog();
    std::string folder = docs.File("afolder");
    ASSERT_EQ(mkdir(folder.c_str(), 0777), 0);
    params.ShellEdited = true;
    params.CurrentShellFile = "/old.cfg";
    std::size_t before = Logged().size();
    EXPECT_FALSE(WriteParameterFile(env, params, folder, kShellBlock));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, "Trying to create parameters file " + folder);
    EXPECT_TRUE(params.ShellEdited);
    EXPECT_EQ(params.CurrentShellFile, "/old.cfg");
    // No numeric line was logged for a file that was never written.
    for (std::size_t i = before; i < Logged().size(); ++i) EXPECT_EQ(Logged()[i].find("ASAPL="), std::string::npos);
    // PLYX3 and afolder: no temporary left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(docs.path()), {}), 2);
}

TEST_F(ParameterFile, LoadingANamedFileMakesItCurrentAndClearsEdited) {
    docs.Write("a.cfg", "SD=8\r\n  TLC = 4  \r\n");
    params.ShellEdited = true;
    LoadParameterFile(env, params, docs.File("a.cfg"));
    EXPECT_EQ(params.zSD, 8);
    EXPECT_EQ(params.cTLC, 4);
    EXPECT_FALSE(params.ShellEdited);
    EXPECT_EQ(params.CurrentShellFile, docs.File("a.cfg"));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ParameterFile, ShellFileCannotSetComPortSettingsFileCan) {
    docs.Write("a.cfg", "ComPort=COM8\n");
    LoadParameterFile(env, params, docs.File("a.cfg"));
    EXPECT_EQ(env.ComPortName, "");
    ASSERT_EQ(GetSettingsFilePath(env), DataDir() + "/PLYX3.CFG");  // also creates the data directory
    docs.Write("PLYX3/PLYX3.CFG", "ComPort=COM8\n");
    LoadParameterFile(env, params, "");
    EXPECT_EQ(env.ComPortName, "COM8");
}

TEST_F(ParameterFile, MissingNamedFileIsReportedAndForgotten) {
    params.CurrentShellFile = "/before.cfg";
    params.zSD = 9;
    std::string path = docs.File("missing.cfg");
    LoadParameterFile(env, params, path);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, "Trying to open parameters file " + path);
    EXPECT_EQ(dialogs.messages[0].text,
              "Trying to open parameters file " + path +
                  "\r\nError 53\r\n...Hex error code = 35\r\n...Source = PLYX3\r\n...Description = "
                  "No such file or directory");
    EXPECT_EQ(params.CurrentShellFile, "");
    EXPECT_EQ(params.zSD, 9);
    // No settings file yet is the first start, not an error.
    LoadParameterFile(env, params, "");
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

TEST_F(ParameterFile, AnyLineEndingAnd8BitTextReadSanely) {
    // Latin-1, not UTF-8, in the last line.
    docs.Write("junk.cfg", "SD=7\rTLC=5\nMRC=9\r\n\xEF\xBB\xBFWA=30\nMODEL=Caf\xE9\n");
    LoadParameterFile(env, params, docs.File("junk.cfg"));
    EXPECT_EQ(params.zSD, 7);
    EXPECT_EQ(params.cTLC, 5);
    EXPECT_EQ(params.cMRC, 9);
    EXPECT_EQ(params.zWA, -25);  // the key carries a byte-order mark: not WA
    EXPECT_EQ(params.strModel, "Caf\xC3\xA9");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ParameterFile, FieldChecksRejectWithTheLabelledMessage) {
    EXPECT_FALSE(ValidatePositive(env, "1.5", "Speed:"));
    EXPECT_FALSE(ValidateNonNegative(env, "0", "Speed:"));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(ValidatePositive(env, "0", "Speed:"));
    EXPECT_TRUE(ValidatePositive(env, "abc", "Speed:"));
    EXPECT_TRUE(ValidateNonNegative(env, "-1", "Speed:"));
    EXPECT_TRUE(ValidateNonNegative(env, "", "Speed:"));
    ASSERT_EQ(dialogs.messages.size(), 4u);
    for (const auto& m : dialogs.messages) {
        EXPECT_EQ(m.text, "Speed: must be > 0");
        EXPECT_EQ(m.title, "PLYX3");
    }
    // The field forms take their label from the texts.
    EXPECT_TRUE(ValidatePositiveField(env, "-2", 411));
    EXPECT_FALSE(ValidateNonNegativeField(env, "2", 411));
    EXPECT_TRUE(ValidateNonNegativeField(env, "x", 405));
    ASSERT_EQ(dialogs.messages.size(), 6u);
    EXPECT_EQ(dialogs.messages[4].text, "Number of layers: must be > 0");
    EXPECT_EQ(dialogs.messages[5].text, "Burnish Layer Count: must be > 0");
}


TEST_F(ParameterFile, SettersMarkTheShellEditedOnlyOnChangeAndNumericLinesAreLogged) {
    SetDoubleIfChanged(params, params.zSD, 6);
    SetIntegerIfChanged(params, params.cTLC, 6);
    EXPECT_FALSE(params.ShellEdited);
    SetIntegerIfChanged(params, params.cTLC, 7);
    EXPECT_TRUE(params.ShellEdited);
    params.ShellEdited = false;
    SetDoubleIfChanged(params, params.zSD, 6.5);
    EXPECT_TRUE(params.ShellEdited);
    EXPECT_EQ(params.zSD, 6.5);
    // Writing the settings logs its numeric lines, never the texts.
    OpenLog();
    params.strModel = "W200";
    ASSERT_TRUE(WriteParameterFile(env, params, "", 1));
    std::vector<std::string> logged = Logged();
    EXPECT_EQ(std::vector<std::string>(logged.end() - 8, logged.end()),
              (std::vector<std::string>{"AutoCloseRunWindow=1", "CHAININTERVALTECHNIQUE=1", "DSU=0", "MSPS=16",
                                        "SSR=5", "RR=500", "WheelDiameter=4", "MotorCurrentMA=1000"}));
}
