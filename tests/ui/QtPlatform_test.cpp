// The Qt message boxes, file dialogs and event pump, answered by a timer
// that plays the operator.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
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

TEST(QtDialogs, MessageBoxShowsTitleAndTextAndReportsTheButton) {
    QtDialogs dialogs;
    QString title, text;
    WhenShown<QMessageBox>([&](QMessageBox* box) {
        title = box->windowTitle();
        text = box->text();
        box->button(QMessageBox::Cancel)->click();
    });
    EXPECT_EQ(dialogs.ShowMessage("Line one\r\nLine <two>", "COM3: Missing PLYX3 Model", MessageButtons::OkCancel,
                                  MessageIcon::None),
              MessageResult::Cancel);
    EXPECT_EQ(title, "COM3: Missing PLYX3 Model");
    EXPECT_EQ(text, "Line one\r\nLine <two>");
}

TEST(QtDialogs, SaveDialogCarriesTitleFilterFolderNameAndOptions) {
    plyx::test::TempDir dir;
    QtDialogs dialogs;
    FileDialogRequest request;
    request.title = "COM3: Save As";
    request.filter = "PLYX3 Files (*.cfg, *.fin)|*.cfg;*.fin";
    request.initialFolder = dir.path();
    request.fileName = "cup.cfg";
    request.defaultExtension = "cfg";
    request.confirmOverwrite = true;
    QString title, folder, suffix;
    QStringList filters;
    bool confirms = false;
    WhenShown<QFileDialog>([&](QFileDialog* d) {
        title = d->windowTitle();
        folder = d->directory().absolutePath();
        suffix = d->defaultSuffix();
        filters = d->nameFilters();
        confirms = !d->testOption(QFileDialog::DontConfirmOverwrite);
        d->reject();
    });
    EXPECT_EQ(dialogs.GetSaveFileName(request), "");
    EXPECT_EQ(title, "COM3: Save As");
    EXPECT_EQ(folder, QString::fromStdString(dir.path()));
    EXPECT_EQ(suffix, "cfg");
    EXPECT_EQ(filters, QStringList{"PLYX3 Files (*.cfg, *.fin) (*.cfg *.fin)"});
    EXPECT_TRUE(confirms);
    EXPECT_EQ(QtNameFilters("A|*.a|B|*.b"), "A (*.a);;B (*.b)");
}

TEST(QtDialogs, OpenDialogAnswersTheChosenExistingFile) {
    plyx::test::TempDir dir;
    dir.Write("m.cf", "Model=A\r\n");
    QtDialogs dialogs;
    FileDialogRequest request;
    request.title = "COM3: Open";
    request.filter = "Available PLYX3 Models (*.cf)|*.cf";
    request.initialFolder = dir.path();
    request.mustExist = true;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    WhenShown<QFileDialog>([&](QFileDialog* d) {
        mode = d->fileMode();
        // As the operator does: type the name, press Open.
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
