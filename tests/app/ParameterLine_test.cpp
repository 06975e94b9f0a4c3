#include <gtest/gtest.h>

#include "app/ParameterFiles.h"
#include "tests/app/CoreFixture.h"

using namespace plyx::app;

namespace {

class ParameterLine : public plyx::test::CoreFixture {
protected:
    void Line(std::string_view line, bool settings = false) { ParseParameterLine(env, params, line, settings); }
};

#define FIELD(f) [](const ParameterSet& p) { return static_cast<double>(p.f); }

}  // namespace

// The rows run in turn on one set: a line ignored would leave the row before's value.
TEST_F(ParameterLine, EachKeyReachesItsFieldReadInItsRange) {
    const struct {
        const char* line;
        double (*field)(const ParameterSet&);
        double value;
    } rows[] = {
        {"  Sd  =  7.5  ", FIELD(zSD), 7.5}, {"shell Diameter=3 .2 5", FIELD(zSD), 3.25}, {"SD=abc", FIELD(zSD), 0},
        {"SD 7", FIELD(zSD), 0}, {"=7", FIELD(zSD), 0}, {";SD=3", FIELD(zSD), 0},
        {"REQA_OVER_B=101.5", FIELD(zPD), 101.5}, {"C_OVER_B=102.5", FIELD(zTS), 102.5},
        {"THIRDRATEINTERVAL=103.5", FIELD(zTRI), 103.5}, {"BurnishScalePercent=104.5", FIELD(zBRIP), 104.5},
        {"A_SCALE_ADJUST_PER_LAYER=105.5", FIELD(zASAPL), 105.5}, {"TargetRateScale=106.5", FIELD(zTRS), 106.5},
        {"StartStopRate=107.5", FIELD(zSSR), 107.5}, {"RampRate=108.5", FIELD(zRR), 108.5},
        {"thirdaxisrepeatcount=109", FIELD(cTARC), 109}, {"AutoCloseRunWindow=110", FIELD(fAutoCloseRunWindow), 110},
        {"DSU=111", FIELD(fDSU), 111}, {"MMD=112", FIELD(idMMD), 112},
        {"MotorCurrentMA=113", FIELD(cMotorCurrentMA), 113},
        {"LayerPattern=114", FIELD(fLayerPattern), 114}, {"TLC=    4", FIELD(cTLC), 4},
        // Integers are rounded down and read 0 outside -32767..32767 (both excluded).
        {"MicroStepsPerStep=6.9", FIELD(cMSPS), 6}, {"MSPS=40000", FIELD(cMSPS), 0}, {"MSPS=-0.5", FIELD(cMSPS), -1},
        {"MSPS=32767", FIELD(cMSPS), 0}, {"MSPS=32766.9", FIELD(cMSPS), 32766}, {"MSPS=-32767", FIELD(cMSPS), 0},
        {"MSPS=-32766.5", FIELD(cMSPS), -32767}, {"MSPS=&H10", FIELD(cMSPS), 16},
        // Except TARC and PAVP: halves to even, 0 outside the 16-bit range.
        {"TARC=2.5", FIELD(cTARC), 2}, {"TARC=3.5", FIELD(cTARC), 4}, {"TARC=-1E10", FIELD(cTARC), 0},
        {"TARC=32767.4", FIELD(cTARC), 32767}, {"TARC=40000", FIELD(cTARC), 0},
        {"PoleAdvancePercent=-1.5", FIELD(cPAVP), -2}, {"PAVP=2.5", FIELD(cPAVP), 2},
        {"WA=-10", FIELD(zWA), 0}, {"WheelAngle=60", FIELD(zWA), 45}, {"WA=12.5", FIELD(zWA), 12.5},
        {"WHEELDIAMETER=0", FIELD(zWheelDiameter), 4}, {"WheelDiameter=3.5", FIELD(zWheelDiameter), 3.5},
        {"WHEELDIAMETER=-2", FIELD(zWheelDiameter), 4},
        {"CHAININTERVALTECHNIQUE=2", FIELD(idChainIntervalTechnique), 2},
        {"CHAININTERVALTECHNIQUE=5", FIELD(idChainIntervalTechnique), 1},
        {"CHAININTERVALTECHNIQUE=0", FIELD(idChainIntervalTechnique), 0},
        {"CHAININTERVALTECHNIQUE=-1", FIELD(idChainIntervalTechnique), 1},
    };
    for (const auto& r : rows) {
        Line(r.line);
        EXPECT_EQ(r.field(params), r.value) << r.line;
    }
}

TEST_F(ParameterLine, PortsComeFromTheSettingsFileOrTheRequestNeverTheCommandLine) {
    env.CommandLine = "SD=9 COMPORT=COM2 MODEL = x  TLC=3";
    ParseCommandLine(env, params);
    EXPECT_EQ(params.zSD, 9);
    EXPECT_EQ(params.cTLC, 3);
    EXPECT_EQ(env.ComPortName, "");
    EXPECT_EQ(params.strModel, "");  // split at every blank: "MODEL" alone has no value
    Line("ComPort = COM 4", true);
    EXPECT_EQ(env.ComPortName, "COM4");
    Line("REQCOMPORT=7");
    EXPECT_EQ(env.RequestedComPort, 7);
    EXPECT_EQ(env.ComPortName, "COM7");
    EXPECT_EQ(env.PortCaptionPrefix, "COM7: ");
}

TEST_F(ParameterLine, TextValuesAndSwitchesEveryLineLoggedAsRead) {
    OpenLog();
    Line("LASTFILELOADED =  /home/op/my shells/a.cfg  ");
    EXPECT_EQ(params.CurrentShellFile, "/home/op/my shells/a.cfg");
    Line("MODEL= Big Wrapper ");
    EXPECT_EQ(params.strModel, "BigWrapper");
    Line("LogFile = run 1.log");
    EXPECT_EQ(params.strLogFile, "run1.log");
    Line("DISPLAYRESOURCEID=1");
    EXPECT_TRUE(tables.ShowResourceIDs);
    Line("DISPLAYRESOURCEID=2");
    EXPECT_FALSE(tables.ShowResourceIDs);
    Line(";SD=3");
    Line("Nonsense = 1 2");
    std::vector<std::string> parsing;
    for (const std::string& l : Logged())
        if (l.find("Parsing") != std::string::npos) parsing.push_back(l);
    EXPECT_EQ(parsing, (std::vector<std::string>{"   Parsing LASTFILELOADED=/home/op/myshells/a.cfg",
                                                 "   Parsing MODEL=BigWrapper", "   Parsing LOGFILE=run1.log",
                                                 "   Parsing DISPLAYRESOURCEID=1", "   Parsing DISPLAYRESOURCEID=2",
                                                 "   Parsing ;SD=3", "   Parsing NONSENSE=12"}));
}
