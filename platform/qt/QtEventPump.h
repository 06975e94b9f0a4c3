#pragma once
// Letting pending window events run inside the long waits of the port search
// and of a run, on Qt's event queue. A quit asked for while such a wait runs
// (QCoreApplication::quit or exit, the last window closing, the session
// ending) is remembered, so the wait sees it as the quit message.
#include <QObject>

#include "platform/EventPump.h"

namespace plyx::platform {

class QtEventPump final : public QObject, public EventPump {
    Q_OBJECT
public:
    // Watches the application object for quit requests; needs a
    // QCoreApplication to exist.
    QtEventPump();
    ~QtEventPump() override;

    void DispatchPending() override;
    bool QuitRequested() override { return quitRequested_; }
    // For a caller that wants the waits to end without asking Qt to quit.
    void RequestQuit() { quitRequested_ = true; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool quitRequested_ = false;
};

}  // namespace plyx::platform
