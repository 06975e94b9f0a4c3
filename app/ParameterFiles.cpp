#include "app/ParameterFiles.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>

#include "app/LanguageFiles.h"
#include "app/Numbers.h"
#include "app/ParameterChecks.h"
#include "app/TextFiles.h"
#include "platform/Files.h"
#include "platform/TextCodec.h"

namespace plyx::app {
namespace {

constexpr const char* kCrLf = "\r\n";

std::string WithoutBlanks(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s)
        if (c != ' ') out += c;
    return out;
}

// Up to three names per parameter; unused places are null.
using KeyNames = const char* [3];

bool IsOneOf(const std::string& key, const KeyNames& names) {
    for (const char* n : names)
        if (n != nullptr && key == n) return true;
    return false;
}

// The plain real keys and the field each one sets.
struct RealKey {
    KeyNames names;
    double ParameterSet::*field;
};
const RealKey kRealKeys[] = {
    {{"SSR", "STARTSTOPRATE"}, &ParameterSet::zSSR},
    {{"RR", "RAMPRATE"}, &ParameterSet::zRR},
    {{"SD", "SHELLDIAMETER"}, &ParameterSet::zSD},
    {{"PD", "POLEDIAMETER", "REQA_OVER_B"}, &ParameterSet::zPD},
    {{"TS", "TAPESPACING", "C_OVER_B"}, &ParameterSet::zTS},
    {{"ASAPL", "A_SCALE_ADJUST_PER_LAYER"}, &ParameterSet::zASAPL},
    {{"MISP", "MAININTERVALSCALEPERCENT"}, &ParameterSet::zMISP},
    {{"TASP", "THIRDAXISSCALEPERCENT"}, &ParameterSet::zTASP},
    {{"TASIP", "THIRDAXISSCALEINTERVALPERCENT"}, &ParameterSet::zTASIP},
    {{"DSF", "DISTSCALEFACTOR"}, &ParameterSet::zDSF},
    {{"MRFL", "MAINRATEFIRSTLINE"}, &ParameterSet::zMRFL},
    {{"MRSL", "MAINRATESECONDLINE"}, &ParameterSet::zMRSL},
    {{"MRSI", "MAINRATESTANDARDINTERVAL"}, &ParameterSet::zMRSI},
    {{"TARFL", "THIRDAXISRATEFIRSTLINE"}, &ParameterSet::zTARFL},
    {{"TARSL", "THIRDAXISRATESECONDLINE"}, &ParameterSet::zTARSL},
    {{"TRI", "THIRDAXISRATECLEANUP", "THIRDRATEINTERVAL"}, &ParameterSet::zTRI},
    {{"BRIP", "BURNISHRATEINCREASEPERCENT", "BURNISHSCALEPERCENT"}, &ParameterSet::zBRIP},
    {{"TRS", "TARGETRATESCALE"}, &ParameterSet::zTRS},
};

// The plain 16-bit keys: read rounded down (0 outside the 16-bit range).
struct IntegerKey {
    KeyNames names;
    std::int16_t ParameterSet::*field;
};
const IntegerKey kIntegerKeys[] = {
    {{"AUTOCLOSERUNWINDOW"}, &ParameterSet::fAutoCloseRunWindow},
    {{"DSU"}, &ParameterSet::fDSU},
    {{"MMD"}, &ParameterSet::idMMD},
    {{"MOTORCURRENTMA"}, &ParameterSet::cMotorCurrentMA},
    {{"MSPS", "MICROSTEPSPERSTEP"}, &ParameterSet::cMSPS},
    {{"TLC", "TOTALLAYERCOUNT"}, &ParameterSet::cTLC},
    {{"BLC", "BURNISHLAYERCOUNT"}, &ParameterSet::cBLC},
    {{"MRC", "MAINREPEATCOUNT"}, &ParameterSet::cMRC},
    {{"LAYERPATTERN"}, &ParameterSet::fLayerPattern},
};

// Keys read by rounding to the nearest integer, halves to even.
struct RoundedKey {
    KeyNames names;
    std::int16_t ParameterSet::*field;
};
const RoundedKey kRoundedKeys[] = {
    {{"TARC", "THIRDAXISREPEATCOUNT"}, &ParameterSet::cTARC},
    {{"PAVP", "POLEADVANCEPERCENT"}, &ParameterSet::cPAVP},
};

}  // namespace

void LoadMachineDefaults(ParameterSet& p) {
    p.idChainIntervalTechnique = 1;
    p.fAutoCloseRunWindow = 1;
    p.cMSPS = 16;
    p.zSSR = 5;
    p.zRR = 500;
    p.zWheelDiameter = 4;
    p.fDSU = 0;
}

void LoadShellDefaults(ParameterSet& p) {
    p.zSD = 6;
    p.zPD = 10.59;
    p.zTS = 2.4;
    p.cTLC = 6;
    p.cBLC = 2;
    p.cMRC = 12;
    p.zASAPL = 10;
    p.zMISP = 26.2;
    p.cTARC = 3;
    p.zTASP = 87.65;
    p.zTASIP = 6.23529;
    p.cPAVP = 0;
    p.zDSF = 10.78125;
    p.zMRFL = 387;
    p.zMRSL = 327;
    p.zMRSI = 387;
    p.zTARFL = 238;
    p.zTARSL = 179;
    p.zTRI = 100;
    p.zBRIP = 10;
    p.zTRS = 10;
    p.zWA = -25;
    p.fLayerPattern = 0;
    p.LineCounter = 0;
}

void LoadDefaults(ParameterSet& p) {
    LoadMachineDefaults(p);
    LoadShellDefaults(p);
}

namespace {

enum class LineSource { CommandLine, SettingsFile, NamedFile };

// LOGMAXMB as the log limit takes it: a text that is no number, or a
// negative one, keeps the default; a limit under 1 MB would start a new
// file every few lines.
double LogMaxMB(Environment& env, const std::string& compact, double number) {
    constexpr double kDefaultMB = 200;
    if (!IsNumeric(compact) || !std::isfinite(number) || number < 0) {
        env.LogLine("   LOGMAXMB=" + compact + " is no size in MB: the log keeps the limit of 200 MB");
        return kDefaultMB;
    }
    if (number > 0 && number < 1) {
        env.LogLine("   LOGMAXMB=" + compact + " is under 1 MB: the log limit is 1 MB");
        return 1;
    }
    return number;
}

// One line into the set; gives the short key of a plain real or integer
// parameter it set (for the checks of values read from a file), else null.
const char* ParseLine(Environment& env, ParameterSet& p, std::string_view line, LineSource source) {
    const bool fromSettingsFile = source == LineSource::SettingsFile;
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos || eq == 0) return nullptr;
    const std::string key = platform::UpperAscii(WithoutBlanks(line.substr(0, eq)));
    const std::string raw(TrimSpaces(line.substr(eq + 1)));
    const std::string compact = WithoutBlanks(raw);
    const double number = Val(compact);
    const std::int16_t integer =
        (number > -32767.0 && number < 32767.0) ? static_cast<std::int16_t>(std::floor(number)) : 0;

    env.LogLine("   Parsing " + key + "=" + compact);

    for (const RealKey& k : kRealKeys) {
        if (IsOneOf(key, k.names)) {
            p.*k.field = number;
            return k.names[0];
        }
    }
    for (const IntegerKey& k : kIntegerKeys) {
        if (IsOneOf(key, k.names)) {
            p.*k.field = integer;
            return k.names[0];
        }
    }
    for (const RoundedKey& k : kRoundedKeys) {
        if (IsOneOf(key, k.names)) {
            // Out of the 16-bit range reads as 0, like every other integer key.
            p.*k.field = ToInt16(number).value_or(0);
            return k.names[0];
        }
    }
    if (key == "MODEL") {
        p.strModel = compact;
    } else if (key == "LASTFILELOADED") {
        p.CurrentShellFile = raw;
    } else if (key == "COMPORT") {
        if (fromSettingsFile) env.ComPortName = compact;
    } else if (key == "REQCOMPORT") {
        // A value that names no port must not read as 0, "search every port":
        // start-up refuses it.
        if (std::optional<std::int32_t> port = ComPortNumber(compact)) {
            env.RequestedComPort = *port;
            env.ComPortName = "COM" + std::to_string(*port);
            env.PortCaptionPrefix = env.ComPortName + ": ";
        } else {
            env.RefusedComPortValue = compact;
        }
    } else if (key == "LOGFILE") {
        p.strLogFile = compact;
    } else if (key == "LOGMAXMB") {
        // The log's own limit: a file (or a line end smuggled into a saved
        // value) must not shrink or lift it.
        if (source == LineSource::CommandLine)
            p.zLogMaxMB = LogMaxMB(env, compact, number);
        else
            env.LogLine("   LOGMAXMB is taken from the command line only: ignored here");
    } else if (key == "STATUSLISTEN") {
        // Opens the status page to the network: the operator's own choice
        // at start, never one a shell or settings file makes.
        if (source == LineSource::CommandLine)
            p.strStatusListen = compact;
        else
            env.LogLine("   STATUSLISTEN is taken from the command line only: ignored here");
    } else if (key == "ONRUNEND" || key == "ONERROR") {
        // Programs to run: the operator's own choice on the command line,
        // never one a shell or settings file could bring along.
        if (source == LineSource::CommandLine)
            (key == "ONRUNEND" ? p.strOnRunEnd : p.strOnError) = raw;
        else
            env.LogLine("   " + key + " is taken from the command line only: ignored here");
    } else if (key == "CHAININTERVALTECHNIQUE") {
        p.idChainIntervalTechnique = (integer < 0 || integer > 2) ? 1 : integer;
    } else if (key == "DISPLAYRESOURCEID") {
        env.Tables().ShowResourceIDs = integer == 1;
    } else if (key == "RESOURCEFILE") {
        p.strResourceFile = raw;
        text::LoadSelectedResourceFile(env, p.strResourceFile);
    } else if (key == "WHEELDIAMETER") {
        p.zWheelDiameter = number <= 0 ? 4 : number;
    } else if (key == "WA" || key == "WHEELANGLE") {
        p.zWA = number <= 0 ? 0 : (number > 45 ? 45 : number);
    }
    // Any other key is ignored; the log line above shows it.
    return nullptr;
}

}  // namespace

void ParseParameterLine(Environment& env, ParameterSet& p, std::string_view line, bool fromSettingsFile) {
    ParseLine(env, p, line, fromSettingsFile ? LineSource::SettingsFile : LineSource::CommandLine);
}

void ParseCommandLine(Environment& env, ParameterSet& params) {
    for (const std::string& token : SplitCommandLine(env.CommandLine))
        ParseParameterLine(env, params, token, false);
}

std::string GetSettingsFilePath(Environment& env) {
    return env.GetDataDirectory() + "/" + env.PerPortPrefix + env.ProgramName + ".CFG";
}

namespace {

// Reason for a settings file that exists but cannot be read.
std::string UnreadableReason(int err) {
    return err == EFBIG ? std::string("too large, over 1 MB") : std::string(std::strerror(err));
}

}  // namespace

void LoadParameterFile(Environment& env, ParameterSet& p, const std::string& fileName, bool showUnusable) {
    const bool settings = TrimAtNul(fileName).empty();
    p.ShellEdited = false;
    std::string name = TrimAtNul(fileName);
    std::string path;
    if (!name.empty()) {
        path = name;
        p.CurrentShellFile = name;
    } else {
        path = GetSettingsFilePath(env);
    }
    std::string why;
    if (settings && platform::CheckLinks(path, &why) == platform::LinkTrust::Refuse) {
        // Values someone else could have put there are not taken.
        env.ReportRefused(env.GetResourceText(1150), why);
        return;
    }
    int err = 0;
    std::optional<std::string> bytes = ReadFileBytes(path, err, kMaxParameterFileBytes);
    if (!bytes) {
        if (settings) {
            if (err == ENOENT) return;  // first start: no settings yet
            // Defaults stand in for settings somebody chose: say so, and keep
            // the file from being replaced by them.
            p.SettingsUnreadable = UnreadableReason(err);
            env.LogLine("Settings file " + path + " could not be read (" + p.SettingsUnreadable +
                        "): it will not be overwritten, and no run can start");
            env.Dialogs().ShowMessage(text::FillTexts(env.GetResourceText(1100), {path, p.SettingsUnreadable}),
                                      env.GetResourceText(100, env.PortCaptionPrefix));
            return;
        }
        env.ShowErrorReport(env.GetResourceText(809) + " " + path,
                            FileErrorFromErrno(err, env.ProgramName, err == EFBIG ? "File too large (over 1 MB)" : ""));
        p.CurrentShellFile.clear();
        return;
    }
    const std::string text = platform::DecodeEightBit(*bytes);
    bytes.reset();
    const LineSource source = settings ? LineSource::SettingsFile : LineSource::NamedFile;
    std::vector<std::pair<std::string, std::string>> read;
    for (std::string_view line : SplitLines(text)) {
        const std::string_view trimmed = TrimSpaces(line);
        if (const char* key = ParseLine(env, p, trimmed, source))
            read.emplace_back(key, WithoutBlanks(TrimSpaces(trimmed.substr(trimmed.find('=') + 1))));
    }
    const std::vector<UnusableValue> unusable = UnusableValues(p, read);
    if (unusable.empty()) return;
    for (const UnusableValue& v : unusable)
        env.LogLine("   Unusable value in " + path + ": " + v.key + "=" + v.value + " (" + v.rule + ")");
    if (showUnusable)
        env.Dialogs().ShowMessage(text::FillTexts(env.GetResourceText(1102), {path, ListOf(unusable)}),
                                  env.GetResourceText(100, env.PortCaptionPrefix));
}

namespace {

std::string ParameterLineText(std::string_view key, double number) {
    return WithoutBlanks(std::string(key) + "=" + NumberText(number));
}

// Builds the lines of a file; numeric lines are also kept for the log,
// which is written only once the file itself is.
struct FileBuilder {
    std::string content;
    std::vector<std::string> logLines;
    void Number(std::string_view key, double value) {
        std::string line = ParameterLineText(key, value);
        content += line;
        content += kCrLf;
        logLines.push_back(std::move(line));
    }
    // A line end or other control character in a value would split it into
    // lines of its own when read back. Blanks it leaves at either end are
    // dropped too, as reading would drop them.
    void Text(std::string_view prefix, std::string_view value) {
        content.append(prefix);
        const std::string kept = platform::WithoutControlCharacters(value);
        content.append(kept.size() == value.size() ? kept : std::string(TrimSpaces(kept)));
        content += kCrLf;
    }
};

}  // namespace

void WriteParameterLine(Environment& env, std::string& file, std::string_view key, double number) {
    std::string line = ParameterLineText(key, number);
    file += line;
    file += kCrLf;
    env.LogLine(line);
}

bool WriteParameterFile(Environment& env, ParameterSet& p, const std::string& fileName, int blocks) {
    const std::string name = TrimAtNul(fileName);
    const std::string path = name.empty() ? GetSettingsFilePath(env) : name;
    if (name.empty() && !p.SettingsUnreadable.empty()) {
        env.LogLine("Settings file " + path + " not written: it could not be read at start-up (" +
                    p.SettingsUnreadable + ")");
        return false;
    }
    if ((blocks & (kMachineBlock | kShellBlock)) == 0) blocks = kMachineBlock | kShellBlock;
    std::string why;
    if (name.empty() && platform::CheckLinks(path, &why) == platform::LinkTrust::Refuse) {
        env.ReportRefused(env.GetResourceText(1150), why);
        return false;
    }

    FileBuilder f;
    if (blocks & kMachineBlock) {
        f.Number("AutoCloseRunWindow", p.fAutoCloseRunWindow);
        f.Text("ComPort=", env.ComPortName);
        f.Number("CHAININTERVALTECHNIQUE", p.idChainIntervalTechnique);
        f.Number("DSU", p.fDSU);
        f.Text("LastFileLoaded=", p.CurrentShellFile);
        f.Text("Model=", p.strModel);
        f.Number("MSPS", p.cMSPS);
        f.Number("SSR", p.zSSR);
        f.Number("RR", p.zRR);
        f.Text("ResourceFile=", env.Tables().CurrentResourceFile);
        f.Number("WheelDiameter", p.zWheelDiameter);
        f.Number("MotorCurrentMA", p.cMotorCurrentMA);
    }
    if (blocks & kShellBlock) {
        f.Number("ASAPL", p.zASAPL);
        f.Number("BLC", p.cBLC);
        f.Number("BRIP", p.zBRIP);
        f.Number("DSF", p.zDSF);
        f.Number("MISP", p.zMISP);
        f.Number("MRC", p.cMRC);
        f.Number("MRFL", p.zMRFL);
        f.Number("MRSI", p.zMRSI);
        f.Number("MRSL", p.zMRSL);
        f.Number("PAVP", p.cPAVP);
        f.Number("PD", p.zPD);
        f.Number("SD", p.zSD);
        f.Number("TARC", p.cTARC);
        f.Number("TARFL", p.zTARFL);
        f.Number("TASIP", p.zTASIP);
        f.Number("TARSL", p.zTARSL);
        f.Number("TASP", p.zTASP);
        f.Number("TLC", p.cTLC);
        f.Number("TRI", p.zTRI);
        f.Number("TRS", p.zTRS);
        f.Number("TS", p.zTS);
        if (p.zWA >= 0) f.Number("WA", p.zWA);
        f.Number("LayerPattern", p.fLayerPattern);
    }

    // Written to a temporary file and renamed over the old one, so a full
    // disk or a crash never leaves half a settings file behind.
    std::string errorText;
    if (!platform::WriteFileAtomically(path, f.content, &errorText)) {
        int err = errno;
        env.ShowErrorReport(env.GetResourceText(810) + " " + path, FileErrorFromErrno(err, env.ProgramName));
        return false;
    }
    for (const std::string& line : f.logLines) env.LogLine(line);
    if (!name.empty()) {
        p.ShellEdited = false;
        p.CurrentShellFile = path;
    }
    return true;
}

void SetDoubleIfChanged(ParameterSet& p, double& target, double value) {
    if (target != value) {
        target = value;
        p.ShellEdited = true;
    }
}

void SetIntegerIfChanged(ParameterSet& p, std::int16_t& target, std::int16_t value) {
    if (target != value) {
        target = value;
        p.ShellEdited = true;
    }
}

namespace {

bool Reject(Environment& env, std::string_view label) {
    env.ShowResourceMessage(800, std::string(label) + " ", "");
    return true;
}

}  // namespace

bool ValidatePositive(Environment& env, std::string_view text, std::string_view label) {
    if (IsNumeric(text) && Val(text) > 0) return false;
    return Reject(env, label);
}

bool ValidateNonNegative(Environment& env, std::string_view text, std::string_view label) {
    if (IsNumeric(text) && Val(text) >= 0) return false;
    return Reject(env, label);
}

bool ValidatePositiveField(Environment& env, std::string_view text, text::ResourceId labelId) {
    return ValidatePositive(env, text, env.GetResourceText(labelId));
}

bool ValidateNonNegativeField(Environment& env, std::string_view text, text::ResourceId labelId) {
    return ValidateNonNegative(env, text, env.GetResourceText(labelId));
}

}  // namespace plyx::app
