#include "platform/qt/QtEventPump.h"

#include <QCoreApplication>
#include <QEvent>

namespace plyx::platform {

QtEventPump::QtEventPump() {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->installEventFilter(this);
        connect(app, &QCoreApplication::aboutToQuit, this, [this] { quitRequested_ = true; });
    }
}

QtEventPump::~QtEventPump() {
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

void QtEventPump::DispatchPending() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool QtEventPump::eventFilter(QObject* watched, QEvent* event) {
    // The quit event still goes on to the application, which ends its loop
    // once the wait has returned.
    if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit) quitRequested_ = true;
    return QObject::eventFilter(watched, event);
}

}  // namespace plyx::platform
