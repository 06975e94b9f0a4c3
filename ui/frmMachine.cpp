#include "ui/frmMachine.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <ctime>

#include "app/Numbers.h"
#include "engine/DisplayText.h"
#include "platform/Clock.h"
#include "ui/ResourceText.h"

namespace plyx::ui {

namespace {
// Feet or metres of tape in inches.
constexpr double kInchesPerFoot = 12.0;
constexpr double kInchesPerMetre = 39.37;
}  // namespace

frmMachine::frmMachine(UiContext& ctx, engine::MachineKeeper& machine, QWidget* parent)
    : QDialog(parent), ctx_(ctx), machine_(machine) {
    setObjectName(QStringLiteral("frmMachine"));
    auto* outer = new QVBoxLayout(this);
    auto form = [&](QGroupBox* box) {
        auto* f = new QFormLayout(box);
        outer->addWidget(box);
        return f;
    };
    auto row = [&](QFormLayout* f, text::ResourceId caption, const char* name) {
        auto* label = new QLabel(this);
        captions_.emplace_back(label, caption);
        QLabel* value = Value(name);
        f->addRow(label, value);
        return value;
    };
    auto* counters = new QGroupBox(this);
    QFormLayout* all = form(counters);
    lblRunHours_ = row(all, 1552, "lblRunHours");
    lblTapeLaid_ = row(all, 1553, "lblTapeLaid");
    lblRuns_ = row(all, 1554, "lblRuns");
    lblRunsByOutcome_ = Value("lblRunsByOutcome");
    all->addRow(lblRunsByOutcome_);
    lblBoardErrors_ = row(all, 1555, "lblBoardErrors");
    lblLostMoves_ = row(all, 1556, "lblLostMoves");

    auto* service = new QGroupBox(this);
    service->setObjectName(QStringLiteral("fraService"));
    QFormLayout* since = form(service);
    lblServiceHours_ = row(since, 1552, "lblServiceHours");
    lblServiceTape_ = row(since, 1553, "lblServiceTape");
    lblLastService_ = row(since, 1558, "lblLastService");
    cmdResetService_ = new QPushButton(this);
    cmdResetService_->setObjectName(QStringLiteral("cmdResetService"));
    since->addRow(cmdResetService_);

    auto* roll = new QGroupBox(this);
    roll->setObjectName(QStringLiteral("fraRoll"));
    QFormLayout* left = form(roll);
    lblRoll_ = row(left, 1562, "lblRoll");
    lblRollCaption_ = new QLabel(this);
    edtRoll_ = new QLineEdit(this);
    edtRoll_->setObjectName(QStringLiteral("edtRoll"));
    cmdSetRoll_ = new QPushButton(this);
    cmdSetRoll_->setObjectName(QStringLiteral("cmdSetRoll"));
    auto* entry = new QHBoxLayout;
    entry->addWidget(edtRoll_);
    entry->addWidget(cmdSetRoll_);
    left->addRow(lblRollCaption_, entry);

    cmdClose_ = new QPushButton(this);
    cmdClose_->setObjectName(QStringLiteral("cmdClose"));
    outer->addWidget(cmdClose_, 0, Qt::AlignRight);

    connect(cmdResetService_, &QPushButton::clicked, this, &frmMachine::cmdResetService_Click);
    connect(cmdSetRoll_, &QPushButton::clicked, this, &frmMachine::cmdSetRoll_Click);
    connect(edtRoll_, &QLineEdit::returnPressed, this, &frmMachine::cmdSetRoll_Click);
    connect(cmdClose_, &QPushButton::clicked, this, &QDialog::accept);
    Refresh();
}

frmMachine::~frmMachine() = default;

QLabel* frmMachine::Value(const char* name) {
    auto* label = new QLabel(this);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

void frmMachine::Refresh() {
    app::Environment& env = ctx_.env;
    const bool metres = ctx_.params.fDSU != 0;
    const engine::MachineCounters c = machine_.Counters();
    ApplyResourceToControl(env, this, 1551, env.PortCaptionPrefix);
    for (const auto& [label, id] : captions_) ApplyResourceToControl(env, label, id);
    ApplyResourceToControl(env, findChild<QGroupBox*>(QStringLiteral("fraService")), 1557);
    ApplyResourceToControl(env, findChild<QGroupBox*>(QStringLiteral("fraRoll")), 1562);
    ApplyResourceToControl(env, lblRollCaption_, metres ? 1564 : 1563);
    ApplyResourceToControl(env, cmdResetService_, 1560);
    ApplyResourceToControl(env, cmdSetRoll_, 1565);
    ApplyResourceToControl(env, cmdClose_, 1569);

    lblRunHours_->setText(ToQString(engine::ElapsedTimeText(c.runSeconds)));
    lblTapeLaid_->setText(ToQString(engine::TapeText(env, c.tapeInches, metres)));
    lblRuns_->setText(QString::number(c.Runs()));
    QStringList byOutcome;
    for (std::size_t i = 0; i < engine::kRunOutcomes.size(); ++i)
        if (c.runs[i] > 0)
            byOutcome << QStringLiteral("    %1: %2")
                             .arg(ToQString(env.GetResourceText(engine::kRunOutcomes[i].textId)))
                             .arg(c.runs[i]);
    lblRunsByOutcome_->setText(byOutcome.join(QLatin1Char('\n')));
    lblBoardErrors_->setText(QString::number(c.boardErrors));
    lblLostMoves_->setText(QString::number(c.lostMoves));
    lblServiceHours_->setText(ToQString(engine::ElapsedTimeText(c.serviceSeconds)));
    lblServiceTape_->setText(ToQString(engine::TapeText(env, c.serviceTapeInches, metres)));
    if (c.serviceResetAt == 0) {
        ApplyResourceToControl(env, lblLastService_, 1559);
    } else {
        const std::tm tm = platform::LocalTime(c.serviceResetAt);
        char date[32];
        std::strftime(date, sizeof date, "%Y-%m-%d %H:%M", &tm);
        lblLastService_->setText(QString::fromLatin1(date));
    }
    if (c.rollTracked)
        lblRoll_->setText(ToQString(engine::TapeText(env, c.rollInches, metres)));
    else
        ApplyResourceToControl(env, lblRoll_, 1566);
}

void frmMachine::cmdResetService_Click() {
    app::Environment& env = ctx_.env;
    const platform::MessageResult answer =
        env.Dialogs().ShowMessage(env.GetResourceText(1561), env.PortCaptionPrefix + env.ProgramName,
                                  platform::MessageButtons::OkCancel, platform::MessageIcon::Question);
    if (answer == platform::MessageResult::Ok) machine_.ResetService();
    Refresh();
}

void frmMachine::cmdSetRoll_Click() {
    const std::string typed = ToStdString(edtRoll_->text());
    const double length = app::Val(typed);
    if (!app::IsNumeric(typed) || !(length >= 0)) {
        ctx_.env.ShowResourceMessage(1567);
        edtRoll_->setFocus();
        edtRoll_->selectAll();
        return;
    }
    machine_.SetRoll(length * (ctx_.params.fDSU != 0 ? kInchesPerMetre : kInchesPerFoot));
    edtRoll_->clear();
    Refresh();
}

}  // namespace plyx::ui
