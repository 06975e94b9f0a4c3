#include "sim/panel/SimPanel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "sim/panel/PathView.h"

namespace plyx::sim::panel {

namespace {

// The panel's texts (built-in dictionary; the lamp and switch names are
// those of the program's switch dialog).
enum : text::ResourceId {
    kTitle = 980, kLamps, kSwitches, kHold, kLimits, kQueue, kState, kPosition, kRate, kPath, kFaults,
    kSilent, kUnplug, kUnplugged, kRestart, kRestarted, kGarble, kGarblePending, kSlow, kActive
};
static_assert(kActive == 999, "the panel's texts are 980 to 999");
constexpr text::ResourceId kPowerCycle = 1400, kPowerCycled = 1401;
constexpr text::ResourceId kStopName = 603, kPauseName = 604, kBurnishName = 605, kStartName = 606,
                           kAbortName = 607;

struct LampLook {
    int bit;
    text::ResourceId name;
    QColor lit;
};
const LampLook kLampLooks[5] = {
    {kLampStart, kStartName, QColor(40, 200, 60)},     {kLampPause, kPauseName, QColor(240, 200, 0)},
    {kLampStop, kStopName, QColor(230, 40, 40)},       {kLampBurnish, kBurnishName, QColor(60, 140, 255)},
    {kLampAbort, kAbortName, QColor(255, 110, 0)},
};
constexpr Switch kSwitchOrder[4] = {Switch::Start, Switch::Pause, Switch::Stop, Switch::Burnish};

int IndexOf(Switch s) {
    switch (s) {
        case Switch::Start: return 0;
        case Switch::Pause: return 1;
        case Switch::Stop: return 2;
        case Switch::Burnish: return 3;
    }
    return 0;
}

// How long the panel shows that the board restarted or was power-cycled.
constexpr auto kRestartShown = std::chrono::seconds(3);

}  // namespace

SimPanel::SimPanel(Simulator& sim, const text::TextTables& texts, const std::string& boardName, QWidget* parent)
    : QWidget(parent, Qt::Window), sim_(sim), texts_(texts) {
    setObjectName(QStringLiteral("SimPanel"));
    Build(boardName);
    Poll(true);
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, [this] {
        Poll(++ticks_ % kMovesEvery == 0 && std::chrono::steady_clock::now() >= nextRecordCopy_);
    });
    timer_->start(kPollMs);
}

SimPanel::~SimPanel() = default;

std::string SimPanel::Text(text::ResourceId id) const { return text::GetResourceText(texts_, id); }

void SimPanel::Build(const std::string& boardName) {
    auto q = [](const std::string& s) { return QString::fromStdString(s); };
    setWindowTitle(q(Text(kTitle) + (boardName.empty() ? "" : " - " + boardName)));
    const SimState first = sim_.State();

    auto* lampBox = new QGroupBox(q(Text(kLamps)));
    auto* lampRow = new QHBoxLayout(lampBox);
    for (int i = 0; i < 5; ++i) {
        lamps_[i] = new QLabel(q(Text(kLampLooks[i].name)));
        lamps_[i]->setAlignment(Qt::AlignCenter);
        lamps_[i]->setMinimumSize(50, 28);
        lamps_[i]->setFrameShape(QFrame::Box);
        lampRow->addWidget(lamps_[i]);
    }

    // A switch is closed while its button is held or its hold box is ticked.
    auto* switchBox = new QGroupBox(q(Text(kSwitches)));
    auto* grid = new QGridLayout(switchBox);
    for (int i = 0; i < 4; ++i) {
        const Switch s = kSwitchOrder[i];
        switches_[i] = new QPushButton(q(Text(kLampLooks[i].name)));
        holds_[i] = new QCheckBox(q(Text(kHold)));
        closed_[i] = new QLabel;
        closed_[i]->setMinimumWidth(12);
        connect(switches_[i], &QPushButton::pressed, this, [this, s] { ApplySwitch(s); });
        connect(switches_[i], &QPushButton::released, this, [this, s] { ApplySwitch(s); });
        connect(holds_[i], &QCheckBox::toggled, this, [this, s] { ApplySwitch(s); });
        grid->addWidget(switches_[i], 0, i);
        grid->addWidget(holds_[i], 1, i);
        grid->addWidget(closed_[i], 2, i, Qt::AlignHCenter);
    }
    abort_ = new QPushButton(q(Text(kAbortName)));
    connect(abort_, &QPushButton::clicked, this, [this] { sim_.Latch(sim_.AbortLatchBit()); });
    grid->addWidget(abort_, 0, 4);

    auto* limitBox = new QGroupBox(q(Text(kLimits)));
    auto* limitRow = new QHBoxLayout(limitBox);
    const int inputs = first.family == Family::FourAxis ? 8 : 4;
    for (int i = 0; i < inputs; ++i) {
        limits_[i] = new QCheckBox(QString::number(i + 1));
        connect(limits_[i], &QCheckBox::toggled, this, [this] { ApplyLimits(); });
        limitRow->addWidget(limits_[i]);
    }

    auto* stateBox = new QGroupBox;
    auto* form = new QGridLayout(stateBox);
    queue_ = new QProgressBar;
    queue_->setFormat(QStringLiteral("%v / %m"));
    letter_ = new QLabel;
    position_ = new QLabel;
    rate_ = new QLabel;
    const std::pair<text::ResourceId, QWidget*> rows[] = {
        {kQueue, queue_}, {kState, letter_}, {kPosition, position_}, {kRate, rate_}};
    int row = 0;
    for (const auto& [id, w] : rows) {
        form->addWidget(new QLabel(q(Text(id))), row, 0);
        form->addWidget(w, row++, 1);
    }

    auto* faultBox = new QGroupBox(q(Text(kFaults)));
    auto* faultGrid = new QGridLayout(faultBox);
    // In Fault order; the two ways of cutting the board off side by side.
    const text::ResourceId faultNames[6] = {kSilent, kUnplug, kRestart, kPowerCycle, kGarble, kSlow};
    const int faultCells[6][2] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {3, 0}};
    for (int i = 0; i < 6; ++i) {
        faults_[i] = new QPushButton(q(Text(faultNames[i])));
        faultGrid->addWidget(faults_[i], faultCells[i][0], faultCells[i][1]);
    }
    QPushButton* silent = FaultButton(Fault::Silent);
    QPushButton* slow = FaultButton(Fault::Slow);
    silent->setCheckable(true);
    slow->setCheckable(true);
    slowMs_ = new QSpinBox;
    slowMs_->setRange(1, 5000);
    slowMs_->setValue(50);
    faultGrid->addWidget(slowMs_, 3, 1);
    faultState_ = new QLabel;
    faultState_->setWordWrap(true);
    faultGrid->addWidget(faultState_, 4, 0, 1, 2);
    connect(silent, &QPushButton::toggled, this, [this](bool on) { sim_.SetSilent(on); });
    connect(slow, &QPushButton::toggled, this, [this](bool on) { sim_.SetSlowReplies(on ? slowMs_->value() : 0); });
    connect(slowMs_, &QSpinBox::valueChanged, this, [this](int ms) {
        if (FaultButton(Fault::Slow)->isChecked()) sim_.SetSlowReplies(ms);
    });
    connect(FaultButton(Fault::Unplug), &QPushButton::clicked, this, [this] {
        unplugged_ = true;
        sim_.Unplug();
    });
    connect(FaultButton(Fault::Restart), &QPushButton::clicked, this, [this] {
        restartedAt_ = std::chrono::steady_clock::now();
        sim_.Restart();
    });
    connect(FaultButton(Fault::PowerCycle), &QPushButton::clicked, this, [this] {
        powerCycledAt_ = std::chrono::steady_clock::now();
        sim_.PowerCycle();
    });
    connect(FaultButton(Fault::Garble), &QPushButton::clicked, this, [this] {
        garbleReplies_ = sim_.State().counters.replies;
        garblePending_ = true;
        sim_.InjectGarbage(kGarbleBytes);
    });

    auto* pathBox = new QGroupBox(q(Text(kPath)));
    auto* pathLayout = new QVBoxLayout(pathBox);
    path_ = new PathView(trace_);
    pathLayout->addWidget(path_);

    auto* left = new QVBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(lampBox), static_cast<QWidget*>(switchBox),
                       static_cast<QWidget*>(limitBox), static_cast<QWidget*>(stateBox)})
        left->addWidget(w);
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(pathBox, 1);
    right->addWidget(faultBox);
    auto* top = new QHBoxLayout(this);
    top->addLayout(left);
    top->addLayout(right, 1);
}

QPushButton* SimPanel::SwitchButton(Switch s) const { return switches_[IndexOf(s)]; }
QCheckBox* SimPanel::HoldToggle(Switch s) const { return holds_[IndexOf(s)]; }
QCheckBox* SimPanel::LimitToggle(int input) const {
    return input >= 0 && input < static_cast<int>(limits_.size()) ? limits_[input] : nullptr;
}
QPushButton* SimPanel::FaultButton(Fault f) const { return faults_[static_cast<int>(f)]; }

void SimPanel::ApplySwitch(Switch s) {
    const int i = IndexOf(s);
    if (switches_[i]->isDown() || holds_[i]->isChecked()) {
        letGo_[i] = false;
        if (held_[i]) return;
        held_[i] = true;
        sim_.Press(s);
        readsAtClose_[i] = sim_.State().counters.switchReads;
        return;
    }
    if (!held_[i]) return;
    // The program looks at the switches only every 250 ms: a click shorter
    // than that would pass unseen, where a hand on a real switch is slower.
    // So the switch stays closed until the board has reported it closed.
    if (sim_.State().counters.switchReads > readsAtClose_[i]) OpenSwitch(i);
    else letGo_[i] = true;
}

void SimPanel::OpenSwitch(int i) {
    held_[i] = false;
    letGo_[i] = false;
    sim_.Release(kSwitchOrder[i]);
}

void SimPanel::ApplyLimits() {
    uint32_t bits = 0;
    for (std::size_t i = 0; i < limits_.size(); ++i)
        if (limits_[i] && limits_[i]->isChecked()) bits |= 1u << i;
    sim_.SetLimitInputs(bits);
}

void SimPanel::Poll(bool withMoves) {
    // Copies only: nothing below holds the simulator's lock while it draws.
    SimState s = sim_.State();
    if (!withMoves) {
        trace_.UpdateHead(s);
    } else if (s.counters.commands == lastCommands_) {
        trace_.Update(nullptr, s, true);  // no command, so the record is as it was
    } else {
        // The record is copied between two looks at the state; when no
        // command came in between, the record and the state agree.
        const auto t0 = std::chrono::steady_clock::now();
        const std::vector<MoveRecord> moves = sim_.Moves();
        const SimState after = sim_.State();
        // A long session's record takes a while to copy, and the board's
        // thread waits for it: keep that below a thousandth of its time.
        const auto t1 = std::chrono::steady_clock::now();
        nextRecordCopy_ = t1 + (t1 - t0) * kRecordCopyShare;
        const bool settled = after.counters.commands == s.counters.commands;
        lastCommands_ = settled ? s.counters.commands : ~0ull;
        s = after;
        trace_.Update(&moves, s, settled);
    }
    for (int i = 0; i < 4; ++i)
        if (letGo_[i] && s.counters.switchReads > readsAtClose_[i]) OpenSwitch(i);
    ShowState(s);
    // Repaint only what changed: the head moved or the path grew.
    const PathPoint head = trace_.Head();
    if (head.x != paintedHead_.x || head.y != paintedHead_.y || trace_.Version() != paintedVersion_) {
        paintedHead_ = head;
        paintedVersion_ = trace_.Version();
        path_->update();
    }
}

void SimPanel::ShowState(const SimState& s) {
    if (s.lamps != shownLamps_) {
        shownLamps_ = s.lamps;
        for (int i = 0; i < 5; ++i) {
            const bool on = (s.lamps & kLampLooks[i].bit) != 0;
            const QColor c = on ? kLampLooks[i].lit : QColor(70, 70, 70);
            lamps_[i]->setStyleSheet(QStringLiteral("background-color: %1; color: %2; font-weight: bold;")
                                         .arg(c.name(), on ? QStringLiteral("black") : QStringLiteral("#aaaaaa")));
        }
    }
    for (int i = 0; i < 4; ++i)
        closed_[i]->setText((s.switchesClosed & static_cast<int>(kSwitchOrder[i])) ? QStringLiteral("\u25CF")
                                                                                    : QString());
    queue_->setRange(0, std::max(s.capacity, 1));
    queue_->setValue(std::clamp(s.queueFill, 0, std::max(s.capacity, 1)));
    letter_->setText(QString(QChar::fromLatin1(s.stateLetter)));
    position_->setText(QStringLiteral("X %1   Y %2").arg(s.position[kX]).arg(s.position[kY]));
    rate_->setText(QString::number(s.runRate));

    if (garblePending_ && s.counters.replies > garbleReplies_) garblePending_ = false;
    if (!sim_.Running()) unplugged_ = true;
    faultState_->setText(FaultText());
    FaultButton(Fault::Unplug)->setEnabled(!unplugged_);
}

QString SimPanel::FaultText() const {
    std::string active;
    auto add = [&](const std::string& t) { active += (active.empty() ? " " : ", ") + t; };
    if (unplugged_) add(Text(kUnplugged));
    if (FaultButton(Fault::Silent)->isChecked()) add(Text(kSilent));
    if (FaultButton(Fault::Slow)->isChecked()) add(Text(kSlow) + " " + std::to_string(slowMs_->value()));
    if (garblePending_) add(Text(kGarblePending));
    const auto now = std::chrono::steady_clock::now();
    if (restartedAt_ != std::chrono::steady_clock::time_point{} && now - restartedAt_ < kRestartShown)
        add(Text(kRestarted));
    if (powerCycledAt_ != std::chrono::steady_clock::time_point{} && now - powerCycledAt_ < kRestartShown)
        add(Text(kPowerCycled));
    return QString::fromStdString(Text(kActive) + (active.empty() ? " -" : active));
}

}  // namespace plyx::sim::panel
