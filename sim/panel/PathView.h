#pragma once
// A drawing of the head's path: what ran in one colour, what is queued in
// another, moves thrown away dashed, the head as a dot. It paints the panel's copy of the trace and
// never touches the simulator.
#include <QWidget>

#include "sim/panel/PathTrace.h"

namespace plyx::sim::panel {

class PathView final : public QWidget {
public:
    explicit PathView(const PathTrace& trace, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {260, 240}; }

    static const QColor kRanColour, kQueuedColour, kDroppedColour, kHeadColour;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const PathTrace& trace_;
};

}  // namespace plyx::sim::panel
