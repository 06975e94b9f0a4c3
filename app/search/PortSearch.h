#pragma once
// The port search: one running instance owns exactly one controller on one
// serial port. An instance without a requested port searches the ports and
// starts one new instance per controller found, then ends; an instance with
// REQCOMPORT tries only that port and, when a controller answers, becomes
// its operator program.
#include <cstdint>
#include <string>

#include "app/Environment.h"
#include "app/ParameterSet.h"
#include "engine/RunState.h"
#include "platform/EventPump.h"
#include "platform/ProcessLauncher.h"

namespace plyx::link {
class ZentrovaCom;
}

namespace plyx::app {

// The splash window as the search drives it.
class SplashView {
public:
    virtual ~SplashView() = default;
    // true: the button offers Retry; false: it offers Abort.
    virtual void SetRetryOrAbortCaption(bool fRetry) = 0;
    virtual void SetScanningStatusMessage(const std::string& text) = 0;
};

// The rest of start-up on the kept port, provided by the application (it
// owns the driver, the engine and the windows).
class ControllerStartup {
public:
    virtual ~ControllerStartup() = default;
    // Creates the driver of env.ControllerFamily joined to the board link.
    virtual void CreateDriver() = 0;
    virtual void InitializeController() = 0;
    // Creates and loads the main window, closes the splash window and
    // returns to the main window (switches open first).
    virtual void ShowMainWindow() = 0;
    // The main window's model selection (File, Select Model); returns to
    // the main window, whose timer then polls the switches again.
    virtual void SelectModel() = 0;
    // Stops the main window's switch polling, so that no run starts while
    // a question is open.
    virtual void StopSwitchPolling() = 0;
    // Start-up on the port is done (after the model question, if any).
    virtual void StartupDone() {}
};

// Firmware names asked for, in the order that gives the family.
inline constexpr const char* kControllerFirmwareNames = "QM4DNCRouterVarn QM4DNCRouter VT2D20NCRouterVarn";

class PortSearch {
public:
    PortSearch(Environment& env, ParameterSet& params, engine::RunGlobals& globals,
               link::ZentrovaCom& boardLink, platform::EventPump& pump,
               platform::ProcessLauncher& launcher);

    void SetSplash(SplashView* splash) { splash_ = splash; }
    void SetControllerStartup(ControllerStartup* startup) { startup_ = startup; }

    // The search; also run again by the splash window's Retry button.
    // Ends the program through ExitProgram when it handed controllers to
    // new instances.
    void ScanForBoards();
    // Opens and identifies one port: family 1 or 2, or 0 with the port
    // closed; a controller refused by its firmware name or version is logged
    // with the rule it failed.
    std::int32_t IdentifyBoardOnPort(const std::string& portName);
    // The rest of start-up for the instance that keeps a controller.
    void ContinueStartupOnPort();

    // The arguments of a new instance for port n: "REQCOMPORT=n" followed
    // by this instance's own command line split at single blanks, less any
    // REQCOMPORT token.
    std::vector<std::string> InstanceArguments(std::int32_t port) const;
    // Controllers found by the last search.
    std::int32_t ControllersFound() const { return found_; }

private:
    void Status(const std::string& text);
    void LaunchInstance(std::int32_t port);

    Environment& env_;
    ParameterSet& params_;
    engine::RunGlobals& globals_;
    link::ZentrovaCom& link_;
    platform::EventPump& pump_;
    platform::ProcessLauncher& launcher_;
    SplashView* splash_ = nullptr;
    ControllerStartup* startup_ = nullptr;
    std::int32_t found_ = 0;
};

}  // namespace plyx::app
