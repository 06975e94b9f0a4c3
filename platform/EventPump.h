#pragma once
// Letting pending window events run inside long operations (port search,
// waits of a run). Handlers run inside Dispatch and only set flags.
namespace plyx::platform {

class EventPump {
public:
    virtual ~EventPump() = default;
    // Run the window events that are pending now, then return.
    virtual void DispatchPending() = 0;
    // True once the user or the system asked the program to quit; a waiting
    // loop sees this as the quit message.
    virtual bool QuitRequested() = 0;
};

// A pump with no window system behind it: nothing to run, never quits.
class NullEventPump final : public EventPump {
public:
    void DispatchPending() override {}
    bool QuitRequested() override { return false; }
};

}  // namespace plyx::platform
