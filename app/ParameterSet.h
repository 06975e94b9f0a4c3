#pragma once
// Every value that describes the machine, the program's own settings and the
// shell being wrapped. Fields are named after the parameters' short keys
// (the run formulas are written with them) and carry the usual prefixes:
// z real, c count or small 16-bit setting, f 16-bit flag (non-zero = on),
// id 16-bit number, str text. Comments name the keys that set a field.
//
// Not here: REQCOMPORT and COMPORT (Environment::RequestedComPort and
// Environment::ComPortName), DISPLAYRESOURCEID (text::TextTables::ShowResourceIDs)
// and the language file last loaded (text::TextTables::CurrentResourceFile).
#include <cstdint>
#include <string>

namespace plyx::app {

struct ParameterSet {
    // ---- program and machine parameters ----
    std::string strModel;                  // MODEL: selected machine model, blanks removed
    std::string strLogFile;                // LOGFILE: working log name, blanks removed
    double zLogMaxMB = 200;                // LOGMAXMB: log size (MB, fractions too) that starts a new file; 0 none; never written
    std::string strStatusListen;           // STATUSLISTEN: where the status page listens ("" its default, "off", ADDR:PORT); command line only, never written
    std::string strResourceFile;           // RESOURCEFILE: language file named by the last RESOURCEFILE line
    std::string strOnRunEnd;               // ONRUNEND: program run when a run ends; command line only, never written
    std::string strOnError;                // ONERROR: program run when an error stops a run; command line only, never written
    std::int16_t fAutoCloseRunWindow = 1;  // AUTOCLOSERUNWINDOW: status window closes itself after a run
    std::int16_t fDSU = 0;                 // DSU: tape length shown in metres (else feet)
    std::int16_t idMMD = 0;                // MMD: 3958 shows the protected options
    std::int16_t idChainIntervalTechnique = 1;  // CHAININTERVALTECHNIQUE: 0..2, how a finishing run begins
    std::int16_t cMotorCurrentMA = 1000;   // MOTORCURRENTMA: motor current in mA (2-axis controller)
    std::int16_t cMSPS = 16;               // MSPS, MICROSTEPSPERSTEP: microsteps per full step
    double zSSR = 5;                       // SSR, STARTSTOPRATE: start/stop rate in full steps
    double zRR = 500;                      // RR, RAMPRATE: ramp rate in full steps
    double zWheelDiameter = 4;             // WHEELDIAMETER: tape wheel diameter (reference 4; <= 0 reads as 4)

    // ---- shell parameters ----
    double zSD = 6;                        // SD, SHELLDIAMETER: shell diameter in inches
    double zPD = 10.59;                    // PD, POLEDIAMETER, REQA_OVER_B: pole diameter (divisor B)
    double zTS = 2.4;                      // TS, TAPESPACING, C_OVER_B: tape spacing (factor C)
    std::int16_t cTLC = 6;                 // TLC, TOTALLAYERCOUNT: layers of a full run
    std::int16_t cBLC = 2;                 // BLC, BURNISHLAYERCOUNT: layers of a burnish pass
    std::int16_t cMRC = 12;                // MRC, MAINREPEATCOUNT: wraps per layer
    double zASAPL = 10;                    // ASAPL, A_SCALE_ADJUST_PER_LAYER: % growth of the main distance per layer
    double zMISP = 26.2;                   // MISP, MAININTERVALSCALEPERCENT: interval move, % of main distance
    std::int16_t cTARC = 3;                // TARC, THIRDAXISREPEATCOUNT: third-axis line pairs (read rounded half-even)
    double zTASP = 87.65;                  // TASP, THIRDAXISSCALEPERCENT: third-axis distance, % of main
    double zTASIP = 6.23529;               // TASIP, THIRDAXISSCALEINTERVALPERCENT: third-axis interval, % of main
    std::int16_t cPAVP = 0;                // PAVP, POLEADVANCEPERCENT: pole advance per layer in % (read rounded half-even)
    double zDSF = 10.78125;                // DSF, DISTSCALEFACTOR: distance scale factor
    double zMRFL = 387;                    // MRFL, MAINRATEFIRSTLINE: rate of the first main line
    double zMRSL = 327;                    // MRSL, MAINRATESECONDLINE: rate of the second main line
    double zMRSI = 387;                    // MRSI, MAINRATESTANDARDINTERVAL: rate of the interval move
    double zTARFL = 238;                   // TARFL, THIRDAXISRATEFIRSTLINE: rate of the first third-axis line
    double zTARSL = 179;                   // TARSL, THIRDAXISRATESECONDLINE: rate of the second third-axis line
    double zTRI = 100;                     // TRI, THIRDAXISRATECLEANUP, THIRDRATEINTERVAL: third-axis interval rate
    double zBRIP = 10;                     // BRIP, BURNISHRATEINCREASEPERCENT, BURNISHSCALEPERCENT: burnish rate rise in %
    double zTRS = 10;                      // TRS, TARGETRATESCALE: overall rate scale
    double zWA = -25;                      // WA, WHEELANGLE: wheel angle in degrees (read as 0..45; -25 is never written)
    std::int16_t fLayerPattern = 0;        // LAYERPATTERN: alternate layers

    // Line-pair counter of alternate layers; the shell defaults clear it.
    std::int16_t LineCounter = 0;

    // ---- state that goes with the set ----
    bool ShellEdited = false;              // a setter changed a value since the last load or named write
    std::string CurrentShellFile;          // LASTFILELOADED: shell file last loaded or saved, "" when none
    // Why the settings file, which exists, could not be read at start-up
    // ("" when it was read or is missing). Values nobody chose stand in for
    // it, so it is never overwritten and no run starts.
    std::string SettingsUnreadable;
};

}  // namespace plyx::app
