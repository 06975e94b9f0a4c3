#include "app/Startup.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>

#include "app/LanguageFiles.h"
#include "app/ParameterFiles.h"
#include "platform/Files.h"
#include "text/Resources.h"

namespace plyx::app {

namespace {

// A REQCOMPORT that names no port would read as "no port": the instance would
// search, start an instance for every controller it finds and hand it the
// bad value again. It ends here instead, before any search.
[[noreturn]] void RefuseRequestedPort(Environment& env) {
    const std::string message = text::FillTexts(env.GetResourceText(1200), {*env.RefusedComPortValue});
    std::fprintf(stderr, "%s: %s\n", env.ProgramName.c_str(), message.c_str());
    // Any valid port named beside it belongs to that port's instance, files
    // and all: the refusal goes to the start-up log of no port.
    env.RequestedComPort = 0;
    env.ComPortName.clear();
    env.PortCaptionPrefix.clear();
    env.PerPortPrefix.clear();
    env.OpenProgramLog(env.ProgramName + "LastStartup.log");
    env.LogLine(message);
    env.ExitProgram(kExitBadRequestedPort);
}

// One instance per port: a second instance for a port already served ends
// here, before it opens (and so empties) the first one's start-up log.
void ClaimPortFiles(Environment& env) {
    long holder = 0;
    const std::string lockFile = env.GetDataDirectory() + "/" + env.PerPortPrefix + env.ProgramName + ".lock";
    if (env.PortFilesLock.TryTake(lockFile, holder)) return;
    const std::string port = "COM" + std::to_string(env.RequestedComPort);
    const std::string message = holder > 0 ? text::FillTexts(env.GetResourceText(1201), {port, std::to_string(holder)})
                                           : text::FillTexts(env.GetResourceText(1202), {port});
    std::fprintf(stderr, "%s: %s\n", env.ProgramName.c_str(), message.c_str());
    env.Dialogs().ShowMessage(message, env.PortCaptionPrefix + env.ProgramName, platform::MessageButtons::Ok,
                              platform::MessageIcon::Warning);
    env.ExitProgram(kExitPortInUse);
}

}  // namespace

std::uint64_t LogSizeLimitBytes(double megabytes) {
    constexpr double kDefaultMB = 200;
    constexpr double kMegabyte = 1024.0 * 1024.0;
    constexpr std::uint64_t kSmallest = 1u << 20;  // below this a start-up would rotate every few lines
    if (megabytes == 0) return 0;
    if (!(megabytes > 0)) megabytes = kDefaultMB;  // a negative size or none at all: keep the default
    const double bytes = megabytes * kMegabyte;
    if (bytes >= 9.0e18) return 0;  // beyond any disk: no limit
    return std::max<std::uint64_t>(kSmallest, static_cast<std::uint64_t>(bytes));
}

void Main(Environment& env, ParameterSet& params, StartupContinuation* continuation) {
    text::TextTables& tables = env.Tables();

    // 1. Fresh text tables; the board link.
    tables.ShowResourceIDs = false;
    text::ClearDictionary(tables.SelectedLanguageTable);
    text::ClearDictionary(tables.DefaultLanguageTable);
    text::ClearDictionary(tables.InternalDictionary);
    tables.CurrentResourceFile.clear();
    if (continuation) continuation->CreateBoardLink();

    // 2.-3. Values set once per instance, and who we are.
    params.cMotorCurrentMA = 1000;
    if (!env.ExecutablePath.empty()) env.SetProgramPath(env.ExecutablePath);
    params.strLogFile.clear();
    params.zLogMaxMB = 200;
    params.strResourceFile.clear();
    params.strModel.clear();
    params.idMMD = 0;
    params.SettingsUnreadable.clear();
    env.RequestedComPort = 0;
    env.RefusedComPortValue.reset();
    // The English texts are needed before their turn below: the first
    // command-line pass and the data directory may already show a message,
    // which would otherwise read "?816?".
    text::LoadInternalDictionary(tables, env.ProgramName);

    // 4. First look at the command line: it decides the port this instance
    // serves and so the names of its files. No log is open yet.
    ParseCommandLine(env, params);
    if (env.RefusedComPortValue) RefuseRequestedPort(env);

    // 5. Per-port file names, fixed for the life of the instance.
    env.ComPortName.clear();
    env.PerPortPrefix = env.RequestedComPort != 0 ? "C" + std::to_string(env.RequestedComPort) + "." : "";
    // Only an instance that will drive the port guards its files: the plan
    // printer (no continuation) drives none.
    if (continuation && env.RequestedComPort != 0) ClaimPortFiles(env);

    // 6. The size limit counts from the first line: the files read below
    // could otherwise fill the disk before it applies.
    env.Log().SetSizeLimit(LogSizeLimitBytes(params.zLogMaxMB));
    env.OpenProgramLog(env.StartupLogName());

    // 7.
    env.LogLine("Loading internal dictionary");
    text::LoadInternalDictionary(tables, env.ProgramName);

    // Settings writes cut short by a kill or a power cut leave temporary files behind.
    if (int n = platform::RemoveStaleTemporaryFiles(env.GetDataDirectory()); n > 0)
        env.LogLine("Removed " + std::to_string(n) + " temporary file(s) of an interrupted write");

    // 8.
    std::string defaultLanguage = env.GetDataDirectory() + "/default.lng";
    env.LogLine("Parsing default dictionary");
    if (platform::FileExists(defaultLanguage))
        text::LoadResourceFile(env, tables.DefaultLanguageTable, defaultLanguage);

    // 9.
    env.LogLine("Loading default values");
    LoadDefaults(params);

    // 10.
    env.LogLine("Loading previously used parameters");
    LoadParameterFile(env, params, "");

    // 11. Command-line values override the settings file.
    env.LogLine("Loading command line parameters");
    ParseCommandLine(env, params);
    env.Log().SetSizeLimit(LogSizeLimitBytes(params.zLogMaxMB));

    if (!continuation) return;

    // 12.
    env.LogLine("Starting GUI");
    continuation->ShowSplash();

    // 13.
    env.LogLine("Starting port scan");
    continuation->ScanForBoards();
}

}  // namespace plyx::app
