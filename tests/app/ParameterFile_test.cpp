#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <tuple>

#include "app/LanguageFiles.h"
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

// Values the options dialog would refuse are named once a file is read, as
// the file gave them (TLC=32767 reads as 0), each with a log line; a usable
// file, a finishing file's zero counts and percentages included, says nothing.
TEST_F(ParameterFile, ValuesNoRunCanUseAreListedOnceAfterTheFile) {
    OpenLog();
    const std::pair<const char*, const char*> cases[] = {
        {"TLC=32767\r\nMSPS=-5\r\nSD=7\r\n", "TLC=32767, MSPS=-5"},
        {"TLC=-5\r\nTLC=4\r\nBLC=0\r\n", "BLC=0"},  // the last line of a key counts
        {"Sd = abc\r\nTARC=40000\r\nSSR=0\r\nMRFL=0\r\n", "SD=abc, TARC=40000, MRFL=0, SSR=0"},
        {"PAVP=-1\r\nLayerPattern=-1\r\nWheelDiameter=-3\r\n", "LAYERPATTERN=-1, PAVP=-1"},
        {"ASAPL=0\r\nMRC=4\r\nTARC=0\r\nTLC=1\r\nTRS=8\r\nPAVP=0\r\n", nullptr},
    };
    for (const auto& [content, listed] : cases) {
        LoadDefaults(params);
        docs.Write("s.cfg", content);
        dialogs.messages.clear();
        LoadParameterFile(env, params, docs.File("s.cfg"));
        if (listed == nullptr) {
            EXPECT_TRUE(dialogs.messages.empty()) << content;
            continue;
        }
        ASSERT_EQ(dialogs.messages.size(), 1u) << content;
        EXPECT_EQ(dialogs.messages[0].text,
                  docs.File("s.cfg") + " holds values that no run can use: " + listed +
                      ". Please correct them before starting a run.");
    }
    const std::vector<std::string> logged = Logged();
    EXPECT_NE(std::find(logged.begin(), logged.end(),
                        "   Unusable value in " + docs.File("s.cfg") + ": TLC=32767 (must be a whole number from 1 to 32766)"),
              logged.end());
}

// A text value keeps no line end or other control character when written,
// so it cannot become a line of its own; LOGMAXMB in a file is ignored.
TEST_F(ParameterFile, TextValuesAreWrittenWithoutControlCharacters) {
    OpenLog();
    std::tie(params.strModel, params.CurrentShellFile, env.ComPortName) =
        std::tuple("Std\r\nLOGMAXMB=0.0001", "/a\tb\x7F.cfg \r", "COM\n2");
    ASSERT_TRUE(WriteParameterFile(env, params, "", kMachineBlock));
    const std::string written = Bytes(GetSettingsFilePath(env));
    for (const char* line : {"\r\nModel=StdLOGMAXMB=0.0001\r\n", "\r\nLastFileLoaded=/ab.cfg\r\n", "\r\nComPort=COM2\r\n"})
        EXPECT_NE(written.find(line), std::string::npos) << line;
    docs.Write("s.cfg", "LOGMAXMB=0.0001\r\n");
    LoadParameterFile(env, params, docs.File("s.cfg"));
    EXPECT_EQ(params.zLogMaxMB, 200);
    EXPECT_EQ(Logged().back(), "   LOGMAXMB is taken from the command line only: ignored here");
}

// Only the operator's command line opens the status page to the network:
// a shell or settings file cannot, and the choice is never saved.
TEST_F(ParameterFile, TheStatusPageListensWhereTheCommandLineSaysOnly) {
    OpenLog();
    docs.Write("s.cfg", "STATUSLISTEN=0.0.0.0:9303\r\n");
    LoadParameterFile(env, params, docs.File("s.cfg"));
    EXPECT_EQ(params.strStatusListen, "");
    EXPECT_EQ(Logged().back(), "   STATUSLISTEN is taken from the command line only: ignored here");
    env.CommandLine = "REQCOMPORT=3 statuslisten=0.0.0.0:9303";
    ParseCommandLine(env, params);
    EXPECT_EQ(params.strStatusListen, "0.0.0.0:9303");
    ASSERT_TRUE(WriteParameterFile(env, params, "", kMachineBlock));
    EXPECT_EQ(Bytes(GetSettingsFilePath(env)).find("9303"), std::string::npos);
}

// Shell files over 1 MB and language files over 4 MB are refused whole with
// the error report; up to the limit they are read.
TEST_F(ParameterFile, FilesBeyondAnyRealOneAreRefusedWhole) {
    const std::string shell = docs.File("big.cfg"), language = docs.File("big.lng");
    const std::tuple<std::string, std::string, std::size_t, std::function<bool()>> cases[] = {
        {shell, "SD=9\r\n", 1u << 20, [&] { LoadParameterFile(env, params, shell); return params.zSD == 9; }},
        {language, "PLYX3RESOURCES\r\n101,Los\r\n", 4u << 20, [&] {
             std::string path = language;
             return plyx::text::LoadResourceFile(env, tables.SelectedLanguageTable, path) == 0;
         }}};
    for (const auto& [path, start, limit, read] : cases) {
        for (std::size_t size : {limit, limit + 1}) {
            LoadDefaults(params);
            dialogs.messages.clear();
            plyx::platform::WriteFileAtomically(path, start + std::string(size - start.size(), ' '));
            EXPECT_EQ(read(), size == limit) << path << " " << size;
            EXPECT_EQ(dialogs.messages.size(), size == limit ? 0u : 1u) << path << " " << size;
        }
    }
}
