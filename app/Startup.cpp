#include "app/Startup.h"

#include <algorithm>

#include "app/ParameterFiles.h"
#include "platform/Files.h"
#include "text/Resources.h"

namespace plyx::app {

std::uint64_t LogSizeLimitBytes(double megabytes) {
    constexpr double kDefaultMB = 200;
    constexpr double kMegabyte = 1024.0 * 1024.0;
    constexpr std::uint64_t kSmallest = 4096;  // below this every line would start a new file
    if (megabytes == 0) return 0;
    if (!(megabytes > 0)) megabytes = kDefaultMB;  // a negative size means nothing: keep the default
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
    env.RequestedComPort = 0;
    // The English texts are needed before their turn below: the first
    // command-line pass and the data directory may already show a message,
    // which would otherwise read "?816?".
    text::LoadInternalDictionary(tables, env.ProgramName);

    // 4. First look at the command line: it decides the port this instance
    // serves and so the names of its files. No log is open yet.
    ParseCommandLine(env, params);

    // 5. Per-port file names, fixed for the life of the instance.
    env.ComPortName.clear();
    env.PerPortPrefix = env.RequestedComPort != 0 ? "C" + std::to_string(env.RequestedComPort) + "." : "";

    // 6.
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
