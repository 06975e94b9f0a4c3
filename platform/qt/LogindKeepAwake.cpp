#include "platform/qt/LogindKeepAwake.h"

#include <QtDBus/QDBusConnection>
#include <QtDBus/QDBusMessage>
#include <QtDBus/QDBusReply>

namespace plyx::platform {
namespace {

// A bus that does not answer must not stall the port.
constexpr int kCallTimeoutMs = 2000;

}  // namespace

bool LogindKeepAwake::Acquire(std::string& whyNot) {
    if (lock_.isValid()) return true;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        whyNot = "no system D-Bus: " + bus.lastError().message().toStdString();
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.login1"),
                                                       QStringLiteral("/org/freedesktop/login1"),
                                                       QStringLiteral("org.freedesktop.login1.Manager"),
                                                       QStringLiteral("Inhibit"));
    call << QStringLiteral("idle:sleep") << QStringLiteral("PLYX3")
         << QStringLiteral("A controller is connected; a run may be in progress") << QStringLiteral("block");
    QDBusReply<QDBusUnixFileDescriptor> reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    if (!reply.isValid()) {
        whyNot = "logind refused the inhibitor lock: " + reply.error().message().toStdString();
        return false;
    }
    lock_ = reply.value();
    if (!lock_.isValid()) {
        whyNot = "logind returned no lock";
        return false;
    }
    return true;
}

void LogindKeepAwake::Release() { lock_ = QDBusUnixFileDescriptor(); }

}  // namespace plyx::platform
