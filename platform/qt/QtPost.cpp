#include "platform/qt/QtPost.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace plyx::platform {

void PostToQtLoop(std::function<void()> work) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || !work) return;
    QMetaObject::invokeMethod(app, std::move(work), Qt::QueuedConnection);
}

}  // namespace plyx::platform
