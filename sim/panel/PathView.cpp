#include "sim/panel/PathView.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace plyx::sim::panel {

const QColor PathView::kRanColour(30, 80, 200);
const QColor PathView::kQueuedColour(240, 140, 0);
const QColor PathView::kHeadColour(220, 0, 0);

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
    auto stroke = [&](std::size_t from, std::size_t to, const QColor& colour) {
        if (to <= from + 1) return;
        QPainterPath path(map(pts[from].x, pts[from].y));
        for (std::size_t i = from + 1; i < to; ++i) {
            if (pts[i].jump) path.moveTo(map(pts[i].x, pts[i].y));
            else path.lineTo(map(pts[i].x, pts[i].y));
        }
        p.setPen(QPen(colour, 1.5));
        p.drawPath(path);
    };
    // Smooth lines cost too much once a long session has drawn its path
    // many times over.
    p.setRenderHint(QPainter::Antialiasing, pts.size() < 20000);
    const std::size_t ran = trace_.RanPoints();
    stroke(0, ran, kRanColour);
    stroke(ran > 0 ? ran - 1 : 0, pts.size(), kQueuedColour);
    p.setPen(Qt::NoPen);
    p.setBrush(kHeadColour);
    p.drawEllipse(map(head.x, head.y), 4, 4);
}

}  // namespace plyx::sim::panel
