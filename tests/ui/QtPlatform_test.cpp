// The Qt file dialogs and event pump, answered by a timer
// that plays the operator.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>

#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtEventPump.h"
#include "tests/support/TempDir.h"
#include "tests/ui/UiFixture.h"

namespace plyx::platform {
namespace {

// Runs answer on the modal dialog once it is up.
template <typename Dialog>
void WhenShown(std::function<void(Dialog*)> answer) {
    ui::test::WhenModalShown([answer](QWidget* modal) { answer(qobject_cast<Dialog*>(modal)); });
}

// The request reaches the dialog; the open dialog answers the file the
// operator typed, and only an existing one.
TEST(QtDialogs, FileDialogsCarryTheRequestAndAnswerTheChosenFile) {
    plyx::test::TempDir dir;
    dir.Write("m.cf", "Model=A\r\n");
    QtDialogs dialogs;
    FileDialogRequest request;
    request.title = "COM3: Save As";
    request.filter = "PLYX3 Files (*.cfg, *.fin)|*.cfg;*.fin";
    request.initialFolder = dir.path();
    request.defaultExtension = "cfg";
    request.confirmOverwrite = true;
    QStringList seen;
    WhenShown<QFileDialog>([&](QFileDialog* d) {
        seen << d->windowTitle() << d->directory().absolutePath() << d->defaultSuffix() << d->nameFilters()
             << (d->testOption(QFileDialog::DontConfirmOverwrite) ? "no confirm" : "confirm");
        d->reject();
    });
    EXPECT_EQ(dialogs.GetSaveFileName(request), "");
    EXPECT_EQ(seen, (QStringList{"COM3: Save As", QString::fromStdString(dir.path()), "cfg",
                                 "PLYX3 Files (*.cfg, *.fin) (*.cfg *.fin)", "confirm"}));
    EXPECT_EQ(QtNameFilters("A|*.a|B|*.b"), "A (*.a);;B (*.b)");

    request = {};
    request.filter = "Available PLYX3 Models (*.cf)|*.cf";
    request.initialFolder = dir.path();
    request.mustExist = true;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    WhenShown<QFileDialog>([&](QFileDialog* d) {
        mode = d->fileMode();
        d->findChild<QLineEdit*>("fileNameEdit")->setText("m.cf");
        d->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Open)->click();
    });
    EXPECT_EQ(dialogs.GetOpenFileName(request), dir.File("m.cf"));
    EXPECT_EQ(mode, QFileDialog::ExistingFile);
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
