#pragma once
// The operator panel on screen: a window that shows the simulated board as
// a person standing at the machine would see it (lamps, queue, position,
// the head's path) and works its switches, inputs and faults. It is a view
// of the simulator's public API only: it looks at the board a few times a
// second, each look a short copy under the simulator's lock, and paints
// from its own copy, so the line never waits for the window.
#include <QWidget>
#include <array>
#include <chrono>
#include <cstdint>
#include <string>

#include "sim/Simulator.h"
#include "sim/panel/PathTrace.h"
#include "text/Resources.h"

class QAbstractButton;
class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTimer;

namespace plyx::sim::panel {

class PathView;

class SimPanel final : public QWidget {
public:
    enum class Fault { Silent, Unplug, Restart, PowerCycle, Garble, Slow };

    // boardName goes into the title (e.g. "QM4DNCRouterVarn 5.02 on COM1").
    SimPanel(Simulator& sim, const text::TextTables& texts, const std::string& boardName,
             QWidget* parent = nullptr);
    ~SimPanel() override;

    // One look at the board; withMoves also copies its record of moves for
    // the path (the timer does that at a lower rate: the record only grows).
    void Poll(bool withMoves);

    // Controls and what they show, for tests and the screenshot.
    QPushButton* SwitchButton(Switch s) const;
    QCheckBox* HoldToggle(Switch s) const;
    QPushButton* AbortButton() const { return abort_; }
    QCheckBox* LimitToggle(int input) const;  // 0-based input number
    QPushButton* FaultButton(Fault f) const;
    bool LampLit(int lampBit) const { return (shownLamps_ & lampBit) != 0; }
    QString FaultText() const;
    const PathTrace& Trace() const { return trace_; }

    // The bytes that the garble button puts into the next reply.
    static constexpr const char* kGarbleBytes = "#%junk";
    static constexpr int kPollMs = 40;      // 25 looks a second
    static constexpr int kMovesEvery = 5;   // the record every fifth look
    static constexpr int kRecordCopyShare = 1000;  // at most 1/1000 of the time copying it

private:
    void Build(const std::string& boardName);
    void ApplySwitch(Switch s);
    void OpenSwitch(int i);
    void ApplyLimits();
    void ShowState(const SimState& s);
    std::string Text(text::ResourceId id) const;

    Simulator& sim_;
    const text::TextTables& texts_;
    PathTrace trace_;
    PathView* path_ = nullptr;
    QTimer* timer_ = nullptr;
    int ticks_ = 0;
    std::chrono::steady_clock::time_point nextRecordCopy_{};
    PathPoint paintedHead_{-1e300, 0, PathPoint::Jump};
    std::uint64_t paintedVersion_ = ~0ull;
    std::uint64_t lastCommands_ = ~0ull;

    std::array<QLabel*, 5> lamps_{};
    int shownLamps_ = -1;
    std::array<QPushButton*, 4> switches_{};
    std::array<QCheckBox*, 4> holds_{};
    std::array<QLabel*, 4> closed_{};
    // A switch closed from here, the board's count of switch reports just
    // after it closed, and whether it is let go once the board reports it.
    std::array<bool, 4> held_{};
    std::array<std::uint64_t, 4> readsAtClose_{};
    std::array<bool, 4> letGo_{};
    QPushButton* abort_ = nullptr;
    std::array<QCheckBox*, 8> limits_{};
    QProgressBar* queue_ = nullptr;
    QLabel *letter_ = nullptr, *position_ = nullptr, *rate_ = nullptr;

    std::array<QPushButton*, 6> faults_{};
    QSpinBox* slowMs_ = nullptr;
    QLabel* faultState_ = nullptr;
    bool garblePending_ = false;
    std::uint64_t garbleReplies_ = 0;  // replies counted when the garble was put in
    std::chrono::steady_clock::time_point restartedAt_{}, powerCycledAt_{};
    bool unplugged_ = false;
};

}  // namespace plyx::sim::panel
