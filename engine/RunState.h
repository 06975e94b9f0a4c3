#pragma once
// The program globals of a run, in one plain object owned by the
// application and handed to the engine and the windows. Window handlers
// only change these values; every waiting loop reads them again on every
// turn.
#include <cstdint>
#include <ctime>

#include "engine/DistanceRing.h"

namespace plyx::engine {

// Values of RunState.
constexpr std::int16_t kRunIdle = 0;
constexpr std::int16_t kRunRunning = 1;       // also: scanning for controllers
constexpr std::int16_t kRunAbortRequested = 2;
constexpr std::int16_t kRunPaused = 3;
constexpr std::int16_t kRunStopping = 4;

// Values of LampMode: the lamps that invite the switches that do something now.
constexpr std::int16_t kLampsOff = 0;
constexpr std::int16_t kLampsReady = 2;     // START, BURNISH
constexpr std::int16_t kLampsRunning = 3;   // PAUSE, STOP, ABORT
constexpr std::int16_t kLampsPaused = 4;    // START (go on), STOP, ABORT
constexpr std::int16_t kLampsStopping = 5;  // ABORT

// Answers of the controller's idle wait (Controller::WaitIdle).
constexpr std::int32_t kWaitTimedOut = -1;
constexpr std::int32_t kWaitIdle = 0;
constexpr std::int32_t kWaitMovingWithRoom = 1;
constexpr std::int32_t kWaitAcceptingWithRoom = 2;
constexpr std::int32_t kWaitPaused = 3;
constexpr std::int32_t kWaitStopped = 4;

// Bits of SwitchFlags.
constexpr std::int16_t kSwitchStart = 1;
constexpr std::int16_t kSwitchPause = 2;
constexpr std::int16_t kSwitchStop = 4;
constexpr std::int16_t kSwitchBurnish = 8;
constexpr std::int16_t kSwitchAbort = 16;
constexpr std::int16_t kAllSwitches = 31;

// ControllerFamily values (the family itself is app::Environment::ControllerFamily).
constexpr std::int32_t kFamily4Axis = 1;
constexpr std::int32_t kFamily2Axis = 2;

struct RunGlobals {
    std::int16_t RunState = kRunIdle;
    std::int16_t SwitchFlags = 0;
    std::int16_t LampMode = 0;

    std::int16_t ControllerQueueCapacity = 0;
    std::int16_t cQueInUse = 0;
    std::int16_t PulsePolarityWord = 0;

    std::int16_t CurrentLayer = 0;
    std::int32_t zLastRate = 0;
    double TotalQueuedDistance = 0.0;
    std::time_t RunStartTime = 0;
    std::int32_t LastShownElapsedSeconds = -1;

    DistanceRing Ring;
};

}  // namespace plyx::engine
