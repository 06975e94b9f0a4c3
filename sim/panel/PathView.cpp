#include "sim/panel/PathView.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace plyx::sim::panel {

const QColor PathView::kRanColour(30, 80, 200);
const QColor PathView::kQueuedColour(240, 140, 0);
const QColor PathView::kHeadColour(220, 0, 0);
const QColor PathView::kDroppedColour(150, 150, 150);

PathView::PathView(const PathTrace& trace, QWidget* parent) : QWidget(parent), trace_(trace) {
    setMinimumSize(200, 160);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void PathView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(QColor(180, 180, 180));
    p.drawRect(rect().adjusted(0, 0, -1, -1));

    const auto& pts = trace_.Points();
    const PathPoint head = trace_.Head();
    double minX = head.x, maxX = head.x, minY = head.y, maxY = head.y;
    for (const PathPoint& q : pts) {
        minX = std::min(minX, q.x), maxX = std::max(maxX, q.x);
        minY = std::min(minY, q.y), maxY = std::max(maxY, q.y);
    }
    // Each axis fills the box: X and Y steps of a wrap differ by orders of
    // magnitude, and an equal scale would show a line. Y grows upwards.
    const QRectF box = QRectF(rect()).adjusted(10, 10, -10, -10);
    const double sx = maxX > minX ? box.width() / (maxX - minX) : 0;
    const double sy = maxY > minY ? box.height() / (maxY - minY) : 0;
    auto map = [&](double x, double y) {
        return QPointF(sx > 0 ? box.left() + (x - minX) * sx : box.center().x(),
                       sy > 0 ? box.bottom() - (y - minY) * sy : box.center().y());
    };
    // One path per kind of move; a segment takes the kind of the move it
    // draws, and a jump only moves the pen.
    QPainterPath ran, queued, dropped;
    for (std::size_t i = 1; i < pts.size(); ++i) {
        QPainterPath* path = pts[i].kind == PathPoint::Ran      ? &ran
                             : pts[i].kind == PathPoint::Queued ? &queued
                             : pts[i].kind == PathPoint::Dropped ? &dropped
                                                                 : nullptr;
        if (path == nullptr) continue;
        const QPointF from = map(pts[i - 1].x, pts[i - 1].y);
        if (path->elementCount() == 0 || path->currentPosition() != from) path->moveTo(from);
        path->lineTo(map(pts[i].x, pts[i].y));
    }
    // Smooth lines cost too much once a long session has drawn its path
    // many times over.
    p.setRenderHint(QPainter::Antialiasing, pts.size() < 20000);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kDroppedColour, 1, Qt::DashLine));
    p.drawPath(dropped);
    p.setPen(QPen(kRanColour, 1.5));
    p.drawPath(ran);
    p.setPen(QPen(kQueuedColour, 1.5));
    p.drawPath(queued);
    p.setPen(Qt::NoPen);
    p.setBrush(kHeadColour);
    p.drawEllipse(map(head.x, head.y), 4, 4);
}

}  // namespace plyx::sim::panel
