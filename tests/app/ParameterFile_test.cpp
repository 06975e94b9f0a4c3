#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <tuple>

#include "app/ParameterFiles.h"
#include "platform/Files.h"
#include "tests/app/CoreFixture.h"

using namespace plyx::app;

namespace {

class ParameterFile : public plyx::test::CoreFixture {
protected:
    ParameterFile() { LoadDefaults(params); }
    static std::string Bytes(const std::string& path) { return plyx::platform::ReadWholeFile(path).value_or(""); }
};

const char* const kDefaultShellBlock =
    "ASAPL=10\r\nBLC=2\r\nBRIP=10\r\nDSF=10.78125\r\nMISP=26.2\r\nMRC=12\r\nMRFL=387\r\nMRSI=387\r\n"
    "MRSL=327\r\nPAVP=0\r\nPD=10.59\r\nSD=6\r\nTARC=3\r\nTARFL=238\r\nTASIP=6.23529\r\nTARSL=179\r\n"
    "TASP=87.65\r\nTLC=6\r\nTRI=100\r\nTRS=10\r\nTS=2.4\r\nLayerPattern=0\r\n";

}  // namespace

TEST_F(ParameterFile, ShellAndSettingsFilesHoldTheirBlocksExactly) {
    docs.Write("shell.cfg", std::string(100000, 'x'));  // an old, longer file is replaced whole
    const std::string path = docs.File("shell.cfg");
    ASSERT_TRUE(WriteParameterFile(env, params, path, kShellBlock));
    EXPECT_EQ(Bytes(path), kDefaultShellBlock);
    // A wheel angle of zero or more is written, before LayerPattern.
    std::tie(params.zWA, params.zSD, params.cPAVP) = std::tuple(0, 0.5, -3);
    ASSERT_TRUE(WriteParameterFile(env, params, path, kShellBlock));
    std::string shell = kDefaultShellBlock;
    shell.replace(shell.find("PAVP=0"), 6, "PAVP=-3");
    shell.replace(shell.find("SD=6"), 4, "SD=.5");
    shell.replace(shell.find("LayerPattern"), 0, "WA=0\r\n");
    EXPECT_EQ(Bytes(path), shell);
    const std::string machine =
        "AutoCloseRunWindow=1\r\nComPort=COM3\r\nCHAININTERVALTECHNIQUE=1\r\nDSU=0\r\n"
        "LastFileLoaded=/shells/big one.cfg\r\nModel=W200\r\nMSPS=16\r\nSSR=5.5\r\nRR=500\r\n"
        "ResourceFile=/lang/greek.lng\r\nWheelDiameter=4\r\nMotorCurrentMA=1000\r\n";
    std::tie(env.ComPortName, params.CurrentShellFile, params.strModel) =
        std::tuple("COM3", "/shells/big one.cfg", "W200");
    params.zSSR = 5.5;
    tables.CurrentResourceFile = "/lang/greek.lng";
    ASSERT_TRUE(WriteParameterFile(env, params, "", 0));
    EXPECT_EQ(Bytes(DataDir() + "/PLYX3.CFG"), machine + shell);
    ASSERT_TRUE(WriteParameterFile(env, params, path, kMachineBlock));
    EXPECT_EQ(Bytes(path), machine);
    params.CurrentShellFile = "/shells/big one.cfg";
    ASSERT_TRUE(WriteParameterFile(env, params, path, 4));  // no known bit: both blocks
    EXPECT_EQ(Bytes(path), machine + shell);
}

TEST_F(ParameterFile, SettingsReadBackAndNamedFilesBecomeTheCurrentUneditedShell) {
    std::tie(params.zTASIP, params.zWA, params.cMotorCurrentMA, params.ShellEdited) =
        std::tuple(1.0 / 3, 12.5, 800, true);
    std::tie(params.strModel, params.CurrentShellFile, env.ComPortName) = std::tuple("M1", "/a b/c.cfg", "COM6");
    ASSERT_TRUE(WriteParameterFile(env, params, "", 0));
    EXPECT_TRUE(params.ShellEdited);  // the settings file is no shell save
    params = ParameterSet();
    env.ComPortName.clear();
    LoadParameterFile(env, params, "");
    EXPECT_EQ(std::tuple(params.zTASIP, params.zWA, params.cMotorCurrentMA), std::tuple(.333333333333333, 12.5, 800));
    EXPECT_EQ(params.strModel + "|" + params.CurrentShellFile + "|" + env.ComPortName, "M1|/a b/c.cfg|COM6");
    const std::string path = docs.File("new.cfg");
    params.ShellEdited = true;
    ASSERT_TRUE(WriteParameterFile(env, params, path + std::string("\0junk", 5), kShellBlock));
    EXPECT_EQ(std::tuple(params.ShellEdited, params.CurrentShellFile), std::tuple(false, path));
    // Any line ending, a key with a byte-order mark (not WA), Latin-1 text, and no ports from a shell.
    docs.Write("a.cfg", "SD=7\rTLC=5\nMRC=9\r\n\xEF\xBB\xBFWA=30\nMODEL=Caf\xE9\nComPort=COM8\n");
    params.ShellEdited = true;
    LoadParameterFile(env, params, docs.File("a.cfg"));
    EXPECT_EQ(std::tuple(params.zSD, params.cTLC, params.cMRC, params.zWA), std::tuple(7, 5, 9, 12.5));
    EXPECT_EQ(params.strModel + "|" + env.ComPortName, "Caf\xC3\xA9|COM6");
    EXPECT_EQ(std::tuple(params.ShellEdited, params.CurrentShellFile), std::tuple(false, docs.File("a.cfg")));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ParameterFile, FilesThatCannotBeReadOrWrittenAreReportedAndChangeNothing) {
    OpenLog();
    std::tie(params.CurrentShellFile, params.ShellEdited, params.zSD) = std::tuple("/before.cfg", true, 9);
    const std::string folder = docs.File("afolder"), missing = docs.File("missing.cfg");
    ASSERT_EQ(mkdir(folder.c_str(), 0777), 0);
    const std::size_t logged = Logged().size();
    EXPECT_FALSE(WriteParameterFile(env, params, folder, kShellBlock));
    for (std::size_t i = logged; i < Logged().size(); ++i) EXPECT_EQ(Logged()[i].find("ASAPL="), std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(docs.path()), {}), 2);  // PLYX3, afolder: no temporary
    EXPECT_EQ(std::tuple(params.ShellEdited, params.CurrentShellFile), std::tuple(true, "/before.cfg"));
    LoadParameterFile(env, params, missing);
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].title, "Trying to create parameters file " + folder);
    EXPECT_EQ(dialogs.messages[1].title, "Trying to open parameters file " + missing);
    EXPECT_EQ(dialogs.messages[1].text, "Trying to open parameters file " + missing +
                                            "\r\nError 53\r\n...Hex error code = 35\r\n...Source = PLYX3\r\n"
                                            "...Description = No such file or directory");
    EXPECT_EQ(params.CurrentShellFile, "");  // forgotten
    EXPECT_EQ(params.zSD, 9);
    LoadParameterFile(env, params, "");  // no settings file yet is the first start, not an error
    EXPECT_EQ(dialogs.messages.size(), 2u);
}
