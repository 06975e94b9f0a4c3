// The main window: its controls, texts, timer and the two run buttons. The
// file and view handlers are in frmMainMenus.cpp.
#include "ui/frmMain.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

#include "ui/Layout.h"
#include "ui/ResourceText.h"
#include "ui/frmPreview.h"

namespace plyx::ui {

namespace {
// Text of a real as the operator reads it: "6", "7.5", "0.25".
std::string RealText(double value) { return QString::number(value, 'g', 15).toStdString(); }
}  // namespace

frmMain::frmMain(UiContext& ctx, QWidget* parent) : QMainWindow(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("frmMain"));
    BuildControls();
    BuildMenus();
}

frmMain::~frmMain() = default;

void frmMain::BuildControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("frmMainClient"));
    SetClientSizeTwips(client, 8985, 6075);
    setCentralWidget(client);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    auto label = [client](const char* name, int l, int t, int w, int h, double pt, bool bold) {
        QLabel* made = NewLabel(client, l, t, w, h, pt, bold);
        made->setObjectName(QString::fromLatin1(name));
        return made;
    };
    lblApplicationName_ = label("lblApplicationName", 120, 0, 8775, 495, 21.75, true);
    lblCurrentShellLabel_ = label("lblCurrentShellLabel", 120, 840, 2295, 495, 14.25, false);
    lblShellName_ = label("lblShellName", 2520, 840, 6255, 375, 14.25, false);
    lblShellSizeLabel_ = label("lblShellSizeLabel", 120, 1440, 2295, 495, 14.25, false);
    lblShellSize_ = label("lblShellSize", 2520, 1440, 6255, 375, 14.25, false);
    // The file name may be long: it may take the height up to the next line.
    lblShellName_->setGeometry(lblShellName_->x(), lblShellName_->y(), lblShellName_->width(), Twips(555));

    auto button = [client, this](const char* name, int l, int t, void (frmMain::*handler)()) {
        QPushButton* made = NewButton(client, l, t, 2655, 735, 12, true);
        made->setObjectName(QString::fromLatin1(name));
        connect(made, &QPushButton::clicked, this, handler);
        return made;
    };
    btnFullRun_ = button("btnFullRun", 1080, 2280, &frmMain::btnFullRun_Click);
    btnStartBurnish_ = button("btnStartBurnish", 1080, 3360, &frmMain::btnStartBurnish_Click);
    btnLoadShell_ = button("btnLoadShell", 1080, 4440, &frmMain::btnLoadShell_Click);
    btnEditThisShell_ = button("btnEditThisShell", 5400, 2280, &frmMain::btnEditThisShell_Click);
    btnSaveThisShell_ = button("btnSaveThisShell", 5400, 3360, &frmMain::btnSaveThisShell_Click);
    btnExit_ = button("btnExit", 5400, 4440, &frmMain::btnExit_Click);

    // Below the design area: how the last run ended, for the operator back
    // from a run whose window has closed by itself.
    lblLastRun_ = new QLabel(this);
    lblLastRun_->setObjectName(QStringLiteral("lblLastRun"));
    statusBar()->addWidget(lblLastRun_, 1);

    tmrTimer_ = new QTimer(this);
    tmrTimer_->setObjectName(QStringLiteral("tmrTimer"));
    tmrTimer_->setInterval(250);
    connect(tmrTimer_, &QTimer::timeout, this, &frmMain::TimerEvent);
}

void frmMain::BuildMenus() {
    auto item = [this](QMenu* menu, const char* name, void (frmMain::*handler)()) {
        QAction* action = menu->addAction(QString());
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    mnuFile_ = menuBar()->addMenu(QString());
    mnuFile_->setObjectName(QStringLiteral("mnuFile"));
    mnuFileOpen_ = item(mnuFile_, "mnuFileOpen", &frmMain::mnuFileOpen_Click);
    mnuFileSaveAs_ = item(mnuFile_, "mnuFileSaveAs", &frmMain::mnuFileSaveAs_Click);
    mnuFileSelectModel_ = item(mnuFile_, "mnuFileSelectModel", &frmMain::mnuFileSelectModel_Click);
    mnuFileResume_ = item(mnuFile_, "mnuFileResume", &frmMain::mnuFileResume_Click);
    mnuFile_->addSeparator();
    mnuFileExit_ = item(mnuFile_, "mnuFileExit", &frmMain::mnuFileExit_Click);

    mnuView_ = menuBar()->addMenu(QString());
    mnuView_->setObjectName(QStringLiteral("mnuView"));
    mnuViewOptions_ = item(mnuView_, "mnuViewOptions", &frmMain::mnuViewOptions_Click);
    mnuViewDefaultLanguage_ = item(mnuView_, "mnuViewDefaultLanguage", &frmMain::mnuViewDefaultLanguage_Click);
    mnuViewSelectLanguage_ = item(mnuView_, "mnuViewSelectLanguage", &frmMain::mnuViewSelectLanguage_Click);
    mnuViewSelectEnglish_ = item(mnuView_, "mnuViewSelectEnglish", &frmMain::mnuViewSelectEnglish_Click);
    mnuViewShowResourceIDs_ = item(mnuView_, "mnuViewShowResourceIDs", &frmMain::mnuViewShowResourceIDs_Click);
    mnuViewShowResourceIDs_->setCheckable(true);
    mnuView_->addSeparator();
    mnuViewRunPreview_ = item(mnuView_, "mnuViewRunPreview", &frmMain::mnuViewRunPreview_Click);
    // Keys for what is done often; none for what makes the machine move.
    mnuFileOpen_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuFileSaveAs_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    mnuViewOptions_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    mnuViewRunPreview_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
}

void frmMain::Form_Load() {
    LoadLabels();
    StopTimer();
}

void frmMain::ShowLastRun(const std::string& text) { lblLastRun_->setText(ToQString(text)); }

void frmMain::LoadLabels() {
    app::Environment& env = ctx_.env;
    const app::ParameterSet& p = ctx_.params;
    ApplyResourceToControl(env, mnuFile_, 200);
    ApplyResourceToControl(env, mnuFileOpen_, 201);
    ApplyResourceToControl(env, mnuFileSaveAs_, 202);
    ApplyResourceToControl(env, mnuFileSelectModel_, 203);
    ApplyResourceToControl(env, mnuFileResume_, 1420);
    ApplyResourceToControl(env, mnuFileExit_, 204);
    ApplyResourceToControl(env, mnuView_, 300);
    ApplyResourceToControl(env, mnuViewOptions_, 301);
    ApplyResourceToControl(env, mnuViewDefaultLanguage_, 302);
    ApplyResourceToControl(env, mnuViewSelectLanguage_, 303);
    ApplyResourceToControl(env, mnuViewSelectEnglish_, 304);
    ApplyResourceToControl(env, mnuViewShowResourceIDs_, 305);
    mnuViewShowResourceIDs_->setChecked(env.Tables().ShowResourceIDs);

    ctx_.engine.ComputeRunConstants();
    ApplyResourceToControl(env, lblShellSize_, 108, RealText(p.zSD) + " ");
    ApplyResourceToControl(env, lblApplicationName_, 107, env.PortCaptionPrefix, " " + p.strModel);
    if (p.ShellEdited) {
        ApplyResourceToControl(env, lblShellName_, 110);
    } else {
        SetCaption(lblShellName_, ToQString(app::GetFileNameOf(app::TrimAtNul(p.CurrentShellFile))));
    }
    ApplyResourceToControl(env, this, 100, env.PortCaptionPrefix);
    ApplyResourceToControl(env, btnSaveThisShell_, 101);
    ApplyResourceToControl(env, btnEditThisShell_, 102);
    ApplyResourceToControl(env, btnExit_, 103);
    ApplyResourceToControl(env, btnLoadShell_, 104);
    ApplyResourceToControl(env, btnStartBurnish_, 105);
    ApplyResourceToControl(env, btnFullRun_, 106);
    ApplyResourceToControl(env, lblShellSizeLabel_, 109);
    ApplyResourceToControl(env, lblCurrentShellLabel_, 111);
    // Like controls in one size: a long caption shrinks its whole row.
    FitCaptionsTogether({btnFullRun_, btnStartBurnish_, btnLoadShell_, btnEditThisShell_, btnSaveThisShell_, btnExit_});
    FitCaptionsTogether({lblShellSizeLabel_, lblCurrentShellLabel_});
    // A button that a menu item's key also works names that key.
    auto key = [](const QAction* action) {
        return QStringLiteral(" (%1)").arg(action->shortcut().toString(QKeySequence::NativeText));
    };
    ApplyResourceToolTip(env, btnFullRun_, 1330);
    ApplyResourceToolTip(env, btnStartBurnish_, 1331);
    ApplyResourceToolTip(env, btnLoadShell_, 1332, key(mnuFileOpen_));
    ApplyResourceToolTip(env, btnEditThisShell_, 1333, key(mnuViewOptions_));
    ApplyResourceToolTip(env, btnSaveThisShell_, 1334, key(mnuFileSaveAs_));
    ApplyResourceToolTip(env, btnExit_, 1335);
    ApplyResourceToControl(env, mnuViewRunPreview_, 921);
    // New parameters or texts: an open preview shows them at once.
    if (preview_ && preview_->isVisible()) preview_->Recompute();
}

// ---- engine::MainWindowView ----

void frmMain::ShowModeless() { show(); }
void frmMain::Hide() { hide(); }
bool frmMain::IsVisible() { return isVisible(); }
void frmMain::Activate() {
    raise();
    activateWindow();
}
void frmMain::Refresh() { repaint(); }
void frmMain::SetEnabled(bool enabled) { setEnabled(enabled); }

void frmMain::StartTimer() {
    fTimerBusy_ = false;
    tmrTimer_->setInterval(250);
    tmrTimer_->start();
}

void frmMain::StopTimer() {
    fTimerBusy_ = false;
    tmrTimer_->stop();
    ctx_.engine.SetLampMode(engine::kLampsOff);
}

bool frmMain::TimerRunning() const { return tmrTimer_->isActive(); }

void frmMain::TimerEvent() {
    if (fTimerBusy_) return;
    fTimerBusy_ = true;
    Guard([this] { ctx_.engine.CheckStartSwitches(); });
    fTimerBusy_ = false;
}

void frmMain::btnFullRun_Click() {
    Guard([this] { ctx_.engine.StartRun(false); });
}

void frmMain::btnStartBurnish_Click() {
    Guard([this] { ctx_.engine.StartRun(true); });
}

void frmMain::Guard(const std::function<void()>& action) { RunAction(ctx_.env, action); }

void frmMain::closeEvent(QCloseEvent* event) {
    event->accept();
    if (unloaded_) return;
    unloaded_ = true;
    tmrTimer_->stop();
    if (OnUnload) OnUnload();
}

}  // namespace plyx::ui
