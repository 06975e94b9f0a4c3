#pragma once
// Keeps the computer from sleeping or idling out while the board link has a
// port open: a systemd-logind inhibitor lock ("idle:sleep", mode "block")
// taken over the system D-Bus. The lock lasts while its file descriptor is
// held; Release closes it.
#include <QtDBus/QDBusUnixFileDescriptor>

#include "platform/serial/KeepAwake.h"

namespace plyx::platform {

class LogindKeepAwake final : public serial::KeepAwake {
public:
    LogindKeepAwake() = default;
    ~LogindKeepAwake() override { Release(); }
    bool Acquire(std::string& whyNot) override;
    void Release() override;
    bool Held() const { return lock_.isValid(); }

private:
    QDBusUnixFileDescriptor lock_;
};

}  // namespace plyx::platform
