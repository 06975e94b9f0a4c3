// The Qt file dialog, answered by a timer that plays the operator, and the
// event pump.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QTimer>

#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtEventPump.h"
#include "tests/support/TempDir.h"

namespace plyx::platform {
namespace {

// Calls answer with the file dialog once it is up (exec() blocks the test
// until answer closes it).
void WhenShown(std::function<void(QFileDialog*)> answer) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            answer(dialog);
        }
    });
    timer->start();
}

TEST(QtDialogs, SaveDialogCarriesTheRequest) {
    plyx::test::TempDir dir;
    QtDialogs dialogs;
    FileDialogRequest request;
    request.title = "COM3: Save As";
    request.filter = "PLYX3 Files (*.cfg, *.fin)|*.cfg;*.fin";
    request.initialFolder = dir.path();
    request.defaultExtension = "cfg";
    request.confirmOverwrite = true;
    QStringList seen;
    WhenShown([&](QFileDialog* d) {
        seen << d->windowTitle() << d->directory().absolutePath() << d->defaultSuffix() << d->nameFilters()
             << (d->testOption(QFileDialog::DontConfirmOverwrite) ? "no confirm" : "confirm");
        d->reject();
    });
    EXPECT_EQ(dialogs.GetSaveFileName(request), "");
    EXPECT_EQ(seen, (QStringList{"COM3: Save As", QString::fromStdString(dir.path()), "cfg",
                                 "PLYX3 Files (*.cfg, *.fin) (*.cfg *.fin)", "confirm"}));
    EXPECT_EQ(QtNameFilters("A|*.a|B|*.b"), "A (*.a);;B (*.b)");
}

// Keeps a test's quit event from reaching the application, which would end
// every later event loop of the test program.
class SwallowQuit final : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::Quit; }
};

TEST(QtEventPump, RunsPendingEventsAndSeesAQuitRequest) {
    SwallowQuit swallow;
    qApp->installEventFilter(&swallow);  // before the pump: the pump's filter runs first
    QtEventPump pump;
    bool ran = false;
    QMetaObject::invokeMethod(qApp, [&] { ran = true; }, Qt::QueuedConnection);
    EXPECT_FALSE(pump.QuitRequested());
    pump.DispatchPending();
    EXPECT_TRUE(ran);
    EXPECT_FALSE(pump.QuitRequested());
    QCoreApplication::postEvent(qApp, new QEvent(QEvent::Quit));
    pump.DispatchPending();
    EXPECT_TRUE(pump.QuitRequested());
}

}  // namespace
}  // namespace plyx::platform
