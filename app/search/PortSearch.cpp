#include "app/search/PortSearch.h"

#include "link/ZentrovaCom.h"
#include "platform/Files.h"

namespace plyx::app {

PortSearch::PortSearch(Environment& env, ParameterSet& params, engine::RunGlobals& globals,
                       link::ZentrovaCom& boardLink, platform::EventPump& pump,
                       platform::ProcessLauncher& launcher)
    : env_(env), params_(params), globals_(globals), link_(boardLink), pump_(pump), launcher_(launcher) {}

void PortSearch::Status(const std::string& text) {
    if (splash_) splash_->SetScanningStatusMessage(text);
}

void PortSearch::ScanForBoards() {
    globals_.RunState = engine::kRunRunning;
    if (splash_) splash_->SetRetryOrAbortCaption(false);
    found_ = 0;

    bool ending = false;  // quit (window system or signal) or a dead log: no more ports
    for (std::int32_t pass = 0; pass <= 1 && !ending; ++pass) {
        for (std::int32_t port = pass; port <= 255; ++port) {
            bool tryAlways = pass == 1;
            std::int32_t number;
            if (port > 0) {
                if (env_.RequestedComPort != 0) break;
                number = port;
            } else {
                number = env_.RequestedComPort;
                tryAlways = true;
            }
            env_.ComPortName = "COM" + std::to_string(number);
            env_.PortCaptionPrefix = env_.ComPortName + ": ";

            // Pass 0 tries only the ports an instance ran on before.
            bool tryIt = tryAlways;
            if (!tryIt) {
                std::string marker = env_.GetDataDirectory() + "/C" + std::to_string(number) + "." +
                                     env_.ProgramName + "LastStartup.log";
                tryIt = platform::FileExists(marker);
            }
            if (tryIt) {
                std::int32_t family = IdentifyBoardOnPort(env_.ComPortName);
                if (family != 0) {
                    ++found_;
                    if (env_.RequestedComPort != 0) {
                        env_.ControllerFamily = family;
                        ContinueStartupOnPort();
                        return;  // the port stays open
                    }
                    link_.PortClose();
                    LaunchInstance(number);
                }
            }
            pump_.DispatchPending();
            ending = pump_.QuitRequested() || env_.LogFailed();
            if (globals_.RunState != engine::kRunRunning || ending) break;
        }
    }

    env_.ComPortName.clear();
    env_.PortCaptionPrefix.clear();
    Status("");
    if (splash_) splash_->SetRetryOrAbortCaption(true);
    globals_.RunState = engine::kRunIdle;
    // A failed log is reported by the action that ran the search.
    if (found_ > 0 && !env_.LogFailed()) env_.ExitProgram(0);
}

std::int32_t PortSearch::IdentifyBoardOnPort(const std::string& portName) {
    Status(portName);
    if (portName.empty()) return 0;
    if (link_.PortOpenAndTest(portName) != 0) {
        link_.PortClose();
        return 0;
    }
    switch (link_.WhichCopyright(kControllerFirmwareNames)) {
        case 1:
            return 1;
        case 3:
            return 2;
        case 2: {
            // The plain name is a controller of this family only in these versions.
            std::string version = link_.FirmwareVersionFromCopyright();
            if (version == "2.10" || version == "2.11" || version == "2.12" || version == "2.13" ||
                version == "2.14")
                return 1;
            env_.LogLine("Refused controller " + link_.FirmwareNameFromCopyright() + " " + version +
                         ": QM4DNCRouter is driven only in versions 2.10 to 2.14");
            break;
        }
        default:
            // The log would otherwise end at "Copyright found!" with no word why.
            env_.LogLine("Refused controller " + link_.FirmwareNameFromCopyright() + " " +
                         link_.FirmwareVersionFromCopyright() +
                         ": its firmware name begins with none of QM4DNCRouterVarn, QM4DNCRouter, "
                         "VT2D20NCRouterVarn");
            break;
    }
    link_.PortClose();
    return 0;
}

namespace {
// A command-line token that sets REQCOMPORT (keys are read without case).
bool IsRequestedPortToken(const std::string& token) {
    const std::size_t eq = token.find('=');
    if (eq == std::string::npos || eq == 0) return false;
    std::string key = token.substr(0, eq);
    for (char& c : key)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return key == "REQCOMPORT";
}
}  // namespace

std::vector<std::string> PortSearch::InstanceArguments(std::int32_t port) const {
    // The new instance's own port and nothing that could name another one:
    // a REQCOMPORT token passed on would come after its own and win.
    std::vector<std::string> args{"REQCOMPORT=" + std::to_string(port)};
    if (!env_.CommandLine.empty())
        for (auto& token : SplitCommandLine(env_.CommandLine))
            if (!IsRequestedPortToken(token)) args.push_back(token);
    return args;
}

void PortSearch::LaunchInstance(std::int32_t port) {
    std::vector<std::string> args = InstanceArguments(port);
    // The log shows the command as one text; the process gets the list,
    // never a shell.
    std::string shown = env_.ExecutablePath;
    for (std::size_t i = 0; i < args.size(); ++i) shown += " " + args[i];
    if (args.size() == 1) shown += " ";  // the own command line, empty
    env_.LogLine("Shell " + shown);
    if (!launcher_.StartDetached(env_.ExecutablePath, args))
        env_.LogLine("Could not start " + shown);
}

void PortSearch::ContinueStartupOnPort() {
    if (startup_) startup_->CreateDriver();
    env_.OpenProgramLog(params_.strLogFile);
    env_.LogLine("Opened port on " + env_.ComPortName);
    if (startup_) {
        startup_->InitializeController();
        startup_->ShowMainWindow();
    }
    if (params_.strModel.empty()) {
        // The question's own event loop would keep the switch timer ticking:
        // a START on the panel must not start a run on values nobody chose.
        if (startup_) startup_->StopSwitchPolling();
        std::string text = env_.GetResourceText(805) + "\r\n" + env_.GetResourceText(806) + "\r\n" +
                           env_.GetResourceText(807);
        std::string title = env_.PortCaptionPrefix + env_.GetResourceText(808);
        auto answer = env_.Dialogs().ShowMessage(text, title, platform::MessageButtons::OkCancel);
        if (answer != platform::MessageResult::Ok) env_.ExitProgram(0);
        if (startup_) startup_->SelectModel();
    }
    if (startup_) startup_->StartupDone();
}

}  // namespace plyx::app
