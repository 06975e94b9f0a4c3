#pragma once
// Keeping the computer from sleeping while a controller is driven. The
// application hands the board link an implementation (a logind inhibitor
// on desktops); without one the link uses NoKeepAwake.
#include <string>

namespace plyx::platform::serial {

class KeepAwake {
public:
    virtual ~KeepAwake() = default;
    // Takes the lock (again harmless when held). False, with the reason in
    // whyNot, when this system does not allow it.
    virtual bool Acquire(std::string& whyNot) = 0;
    // Gives the lock back; nothing when not held.
    virtual void Release() = 0;
};

class NoKeepAwake final : public KeepAwake {
public:
    bool Acquire(std::string& whyNot) override {
        whyNot = "no keep-awake service was given to the board link";
        return false;
    }
    void Release() override {}
};

}  // namespace plyx::platform::serial
