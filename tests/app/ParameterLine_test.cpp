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
}

TEST_F(ParameterLine, EveryAliasReachesItsField) {
    Line("REQA_OVER_B=1.5");
    Line("C_OVER_B=2.5");
    Line("THIRDRATEINTERVAL=33");
    Line("BurnishScalePercent=44");
    Line("MicroStepsPerStep=8");
    Line("A_SCALE_ADJUST_PER_LAYER=12");
    Line("thirdaxisrepeatcount=5");
    Line("PoleAdvancePercent=7");
    Line("TargetRateScale=11");
    Line("StartStopRate=6");
    Line("RampRate=600");
    EXPECT_EQ(params.zPD, 1.5);
    EXPECT_EQ(params.zTS, 2.5);
    EXPECT_EQ(params.zTRI, 33);
    EXPECT_EQ(params.zBRIP, 44);
    EXPECT_EQ(params.cMSPS, 8);
    EXPECT_EQ(params.zASAPL, 12);
    EXPECT_EQ(params.cTARC, 5);
    EXPECT_EQ(params.cPAVP, 7);
    EXPECT_EQ(params.zTRS, 11);
    EXPECT_EQ(params.zSSR, 6);
    EXPECT_EQ(params.zRR, 600);
}

TEST_F(ParameterLine, IntegersAreRoundedDown) {
    Line("TLC=6.9");
    EXPECT_EQ(params.cTLC, 6);
    Line("BLC=-0.5");
    EXPECT_EQ(params.cBLC, -1);
    Line("MRC=32766.9");
    EXPECT_EQ(params.cMRC, 32766);
}

TEST_F(ParameterLine, IntegersOutsideTheRangeReadZero) {
    Line("MSPS=40000");
    EXPECT_EQ(params.cMSPS, 0);
    params.cMSPS = 5;
    Line("MSPS=32767");
    EXPECT_EQ(params.cMSPS, 0);
    params.cMSPS = 5;
    Line("MSPS=-32767");
    EXPECT_EQ(params.cMSPS, 0);
    Line("MSPS=-32766.5");
    EXPECT_EQ(params.cMSPS, -32767);
}

TEST_F(ParameterLine, TarcAndPavpRoundHalvesToEven) {
    Line("TARC=2.5");
    EXPECT_EQ(params.cTARC, 2);
    Line("TARC=3.5");
    EXPECT_EQ(params.cTARC, 4);
    Line("PAVP=-1.5");
    EXPECT_EQ(params.cPAVP, -2);
    Line("PAVP=32767.4");
    EXPECT_EQ(params.cPAVP, 32767);
}

TEST_F(ParameterLine, TarcAndPavpOutsideTheRangeReadZero) {
    Line("TARC=40000");
    EXPECT_EQ(params.cTARC, 0);
    Line("PAVP=-1E10");
    EXPECT_EQ(params.cPAVP, 0);
}

TEST_F(ParameterLine, WheelAngleIsHeldBetweenZeroAndFortyFive) {
    EXPECT_EQ(params.zWA, -25);
    Line("WA=-10");
    EXPECT_EQ(params.zWA, 0);
    Line("WheelAngle=60");
    EXPECT_EQ(params.zWA, 45);
    Line("WA=12.5");
    EXPECT_EQ(params.zWA, 12.5);
}

TEST_F(ParameterLine, WheelDiameterOfZeroOrLessReadsFour) {
    Line("WHEELDIAMETER=0");
    EXPECT_EQ(params.zWheelDiameter, 4);
    Line("WheelDiameter=3.5");
    EXPECT_EQ(params.zWheelDiameter, 3.5);
    Line("WHEELDIAMETER=-2");
    EXPECT_EQ(params.zWheelDiameter, 4);
}

TEST_F(ParameterLine, ChainIntervalTechniqueOutsideZeroToTwoReadsOne) {
    Line("CHAININTERVALTECHNIQUE=2");
    EXPECT_EQ(params.idChainIntervalTechnique, 2);
    Line("CHAININTERVALTECHNIQUE=5");
    EXPECT_EQ(params.idChainIntervalTechnique, 1);
    Line("CHAININTERVALTECHNIQUE=0");
    EXPECT_EQ(params.idChainIntervalTechnique, 0);
    Line("CHAININTERVALTECHNIQUE=-1");
    EXPECT_EQ(params.idChainIntervalTechnique, 1);
}

TEST_F(ParameterLine, ComPortOnlyFromTheSettingsFile) {
    Line("COMPORT=COM9", false);
    EXPECT_EQ(env.ComPortName, "");
    Line("ComPort = COM 4", true);
    EXPECT_EQ(env.ComPortName, "COM4");
}

TEST_F(ParameterLine, RequestedPortSetsPortNameAndCaption) {
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

TEST_F(ParameterLine, FlagsAndSmallSettings) {
    Line("AutoCloseRunWindow=0");
    Line("DSU=1");
    Line("MMD=3958");
    Line("MotorCurrentMA=1500");
    Line("LayerPattern=1");
    EXPECT_EQ(params.fAutoCloseRunWindow, 0);
    EXPECT_EQ(params.fDSU, 1);
    EXPECT_EQ(params.idMMD, 3958);
    EXPECT_EQ(params.cMotorCurrentMA, 1500);
    EXPECT_EQ(params.fLayerPattern, 1);
}

TEST_F(ParameterLine, MalformedNumbersReadZeroAndHexWorks) {
    Line("SD=abc");
    EXPECT_EQ(params.zSD, 0);
    Line("MSPS=&H10");
    EXPECT_EQ(params.cMSPS, 16);
    Line("SD=1E999");
    EXPECT_EQ(params.zSD, 0);
    Line("PD=2.5D1");
    EXPECT_EQ(params.zPD, 25);
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

TEST_F(ParameterLine, HugeAndBinaryLinesDoNoHarm) {
    std::string big = "SD=" + std::string(1 << 20, '7');
    Line(big);
    EXPECT_EQ(params.zSD, 0);  // too large for a double
    std::string junk;
    for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 37) & 0xFF);
    Line(junk);
    Line(std::string("MO\0DEL=x", 8));
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
