#include <gtest/gtest.h>

#include "app/ParameterFiles.h"
#include "tests/app/CoreFixture.h"

using namespace plyx::app;

namespace {

class ParameterLine : public plyx::test::CoreFixture {
protected:
    void Line(std::string_view line, bool settings = false) { ParseParameterLine(env, params, line, settings); }
};

}  // namespace

TEST_F(ParameterLine, KeyIgnoresCaseAndBlanksValueIgnoresBlanks) {
    Line("  Sd  =  7.5  ");
    EXPECT_EQ(params.zSD, 7.5);
    Line("shell Diameter=3 .2 5");
    EXPECT_EQ(params.zSD, 3.25);
    Line("SD=abc");
    EXPECT_EQ(params.zSD, 0);
}

TEST_F(ParameterLine, LongAndOldKeyNamesReachTheirFields) {
    const std::pair<const char*, double ParameterSet::*> reals[] = {
        {"REQA_OVER_B", &ParameterSet::zPD}, {"C_OVER_B", &ParameterSet::zTS},
        {"THIRDRATEINTERVAL", &ParameterSet::zTRI}, {"BurnishScalePercent", &ParameterSet::zBRIP},
        {"A_SCALE_ADJUST_PER_LAYER", &ParameterSet::zASAPL}, {"TargetRateScale", &ParameterSet::zTRS},
        {"StartStopRate", &ParameterSet::zSSR}, {"RampRate", &ParameterSet::zRR}};
    const std::pair<const char*, std::int16_t ParameterSet::*> integers[] = {
        {"MicroStepsPerStep", &ParameterSet::cMSPS}, {"thirdaxisrepeatcount", &ParameterSet::cTARC},
        {"PoleAdvancePercent", &ParameterSet::cPAVP}, {"AutoCloseRunWindow", &ParameterSet::fAutoCloseRunWindow},
        {"DSU", &ParameterSet::fDSU}, {"MMD", &ParameterSet::idMMD},
        {"MotorCurrentMA", &ParameterSet::cMotorCurrentMA}, {"LayerPattern", &ParameterSet::fLayerPattern}};
    int value = 100;  // a different value for every key shows a key reaching a wrong field
    for (const auto& [key, field] : reals) {
        Line(std::string(key) + "=" + std::to_string(++value) + ".5");
        EXPECT_EQ(params.*field, value + 0.5) << key;
    }
    for (const auto& [key, field] : integers) {
        Line(std::string(key) + "=" + std::to_string(++value));
        EXPECT_EQ(params.*field, value) << key;
    }
}

TEST_F(ParameterLine, IntegersAreRoundedDownAndReadZeroOutsideTheRange) {
    const struct {
        const char* value;
        std::int16_t expected;
    } cases[] = {{"6.9", 6},   {"-0.5", -1}, {"32766.9", 32766}, {"-32766.5", -32767},
                 {"&H10", 16}, {"40000", 0}, {"32767", 0},       {"-32767", 0}};
    for (const auto& c : cases) {
        params.cMSPS = 5;
        Line(std::string("MSPS=") + c.value);
        EXPECT_EQ(params.cMSPS, c.expected) << c.value;
    }
}

TEST_F(ParameterLine, TarcAndPavpRoundHalvesToEvenAndReadZeroOutsideTheRange) {
    const struct {
        const char* value;
        std::int16_t expected;
    } cases[] = {{"2.5", 2}, {"3.5", 4}, {"-1.5", -2}, {"32767.4", 32767}, {"40000", 0}, {"-1E10", 0}};
    for (const auto& c : cases) {
        params.cTARC = 5;
        Line(std::string("TARC=") + c.value);
        EXPECT_EQ(params.cTARC, c.expected) << c.value;
    }
}

TEST_F(ParameterLine, WheelAndChainSettingsAreHeldInTheirRanges) {
    Line("WA=-10");
    EXPECT_EQ(params.zWA, 0);
    Line("WheelAngle=60");
    EXPECT_EQ(params.zWA, 45);
    Line("WA=12.5");
    EXPECT_EQ(params.zWA, 12.5);
    Line("WHEELDIAMETER=0");
    EXPECT_EQ(params.zWheelDiameter, 4);
    Line("WheelDiameter=3.5");
    EXPECT_EQ(params.zWheelDiameter, 3.5);
    Line("WHEELDIAMETER=-2");
    EXPECT_EQ(params.zWheelDiameter, 4);
    for (const auto& [value, expected] : {std::pair{"2", 2}, {"5", 1}, {"0", 0}, {"-1", 1}}) {
        Line(std::string("CHAININTERVALTECHNIQUE=") + value);
        EXPECT_EQ(params.idChainIntervalTechnique, expected) << value;
    }
}

TEST_F(ParameterLine, PortsComeFromTheSettingsFileOrTheRequest) {
    Line("COMPORT=COM9", false);
    EXPECT_EQ(env.ComPortName, "");
    Line("ComPort = COM 4", true);
    EXPECT_EQ(env.ComPortName, "COM4");
    Line("REQCOMPORT=7");
    EXPECT_EQ(env.RequestedComPort, 7);
    EXPECT_EQ(env.ComPortName, "COM7");
    EXPECT_EQ(env.PortCaptionPrefix, "COM7: ");
}

TEST_F(ParameterLine, TextValuesKeepOrDropTheirBlanks) {
    Line("LASTFILELOADED =  /home/op/my shells/a.cfg  ");
    EXPECT_EQ(params.CurrentShellFile, "/home/op/my shells/a.cfg");
    Line("MODEL= Big Wrapper ");
    EXPECT_EQ(params.strModel, "BigWrapper");
    Line("LogFile = run 1.log");
    EXPECT_EQ(params.strLogFile, "run1.log");
}

TEST_F(ParameterLine, DisplayResourceIdOnlyForOne) {
    Line("DISPLAYRESOURCEID=1");
    EXPECT_TRUE(tables.ShowResourceIDs);
    Line("DISPLAYRESOURCEID=2");
    EXPECT_FALSE(tables.ShowResourceIDs);
    Line("DISPLAYRESOURCEID=1");
    Line("DISPLAYRESOURCEID=x");
    EXPECT_FALSE(tables.ShowResourceIDs);
}

TEST_F(ParameterLine, LinesWithoutKeyAreIgnoredUnknownKeysOnlyLogged) {
    OpenLog();
    ParameterSet before = params;
    Line("SD 7");
    Line("=7");
    Line(";SD=3");
    Line("Nonsense = 1 2");
    EXPECT_EQ(params.zSD, before.zSD);
    std::vector<std::string> logged = Logged();
    std::vector<std::string> parsing;
    for (const std::string& l : logged)
        if (l.find("Parsing") != std::string::npos) parsing.push_back(l);
    EXPECT_EQ(parsing, (std::vector<std::string>{"   Parsing ;SD=3", "   Parsing NONSENSE=12"}));
}

TEST_F(ParameterLine, NulInATextValueAndAMegabyteOfBlanksAreKeptOrDropped) {
    Line(std::string("MODEL=a\0b", 9));
    EXPECT_EQ(params.strModel, std::string("a\0b", 3));
    Line("TLC=" + std::string(1 << 20, ' ') + "4");
    EXPECT_EQ(params.cTLC, 4);
}

TEST(CommandLine, SplitAtEverySingleBlank) {
    EXPECT_EQ(SplitCommandLine("REQCOMPORT=3 LOGFILE=run.log"),
              (std::vector<std::string>{"REQCOMPORT=3", "LOGFILE=run.log"}));
    EXPECT_EQ(SplitCommandLine("MODEL = x"), (std::vector<std::string>{"MODEL", "=", "x"}));
    EXPECT_EQ(SplitCommandLine("A=1  B=2"), (std::vector<std::string>{"A=1", "", "B=2"}));
    EXPECT_TRUE(SplitCommandLine("").empty());
}

TEST_F(ParameterLine, CommandLineTokensAreParameterLinesWithoutComPort) {
    env.CommandLine = "SD=9 COMPORT=COM2 MODEL = x  TLC=3";
    ParseCommandLine(env, params);
    EXPECT_EQ(params.zSD, 9);
    EXPECT_EQ(params.cTLC, 3);
    EXPECT_EQ(env.ComPortName, "");
    EXPECT_EQ(params.strModel, "");
}
