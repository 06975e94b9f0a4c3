#include "ui/frmPreview.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/ResourceText.h"

namespace plyx::ui {

namespace {
QColor ColourOf(std::int32_t layer) { return QColor::fromRgb(engine::LayerColour(layer)); }
constexpr int kLegendWidth = 110;
}  // namespace

PlanDrawing::PlanDrawing(app::Environment& env, QWidget* parent) : QWidget(parent), env_(env) {
    setObjectName(QStringLiteral("picPlan"));
    setMinimumSize(320, 240);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PlanDrawing::SetPlan(const engine::RunPlan* plan) {
    plan_ = plan;
    path_ = plan ? engine::PlanPath(*plan) : std::vector<engine::PlanPoint>{};
    update();
}

QRect PlanDrawing::PlotArea() const {
    const QFontMetrics fm(font());
    const int left = fm.horizontalAdvance(QStringLiteral("-0000000")) + fm.height() + 8;
    const int bottom = 2 * fm.height() + 10;
    return QRect(left, 10, std::max(10, width() - left - kLegendWidth - 10), std::max(10, height() - 10 - bottom));
}

void PlanDrawing::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const QRect area = PlotArea();
    painter.setPen(Qt::black);
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    if (plan_ == nullptr || path_.size() < 2) return;

    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (const engine::PlanPoint& p : path_) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    const double sx = (area.width() - 4) / std::max(1.0, maxX - minX);
    const double sy = (area.height() - 4) / std::max(1.0, maxY - minY);
    auto at = [&](const engine::PlanPoint& p) {
        return QPointF(area.left() + 2 + (p.x - minX) * sx, area.bottom() - 2 - (p.y - minY) * sy);
    };

    // Axes: the ends in steps and the axis names.
    const QFontMetrics fm(font());
    const int line = fm.height();
    painter.drawText(QRect(area.left(), area.bottom() + 2, area.width(), line), Qt::AlignLeft,
                     QString::number(minX, 'f', 0));
    painter.drawText(QRect(area.left(), area.bottom() + 2, area.width(), line), Qt::AlignRight,
                     QString::number(maxX, 'f', 0));
    painter.drawText(QRect(area.left(), area.bottom() + 2 + line, area.width(), line), Qt::AlignHCenter,
                     ToQString(env_.GetResourceText(931)));
    painter.drawText(QRect(0, area.top(), area.left() - 4, line), Qt::AlignRight, QString::number(maxY, 'f', 0));
    painter.drawText(QRect(0, area.bottom() - line, area.left() - 4, line), Qt::AlignRight,
                     QString::number(minY, 'f', 0));
    painter.save();
    painter.translate(line / 2.0 + 2, area.center().y());
    painter.rotate(-90);
    painter.drawText(QRect(-area.height() / 2, -line / 2, area.height(), line), Qt::AlignHCenter,
                     ToQString(env_.GetResourceText(932)));
    painter.restore();

    // The path, one polyline per run of moves of one layer. Not smoothed:
    // every pixel of a layer carries exactly its colour.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setClipRect(area);
    // Point k ends a move of path_[k].layer.
    std::size_t i = 1;
    while (i < path_.size()) {
        const std::int32_t layer = path_[i].layer;
        QPolygonF poly;
        poly << at(path_[i - 1]);
        for (; i < path_.size() && path_[i].layer == layer; ++i) poly << at(path_[i]);
        painter.setPen(QPen(ColourOf(layer), 2));
        painter.drawPolyline(poly);
    }
    painter.setClipping(false);

    // Legend.
    const int x = area.right() + 12;
    for (std::int32_t layer = 1; layer <= plan_->layers; ++layer) {
        const int y = area.top() + (layer - 1) * (line + 4);
        if (y + line > height()) break;
        painter.fillRect(QRect(x, y + 2, 16, line - 4), ColourOf(layer));
        painter.setPen(Qt::black);
        painter.drawText(QRect(x + 22, y, kLegendWidth - 22, line), Qt::AlignLeft | Qt::AlignVCenter,
                         ToQString(env_.GetResourceText(933) + " " + std::to_string(layer)));
    }
}

frmPreview::frmPreview(UiContext& ctx, QWidget* parent) : QWidget(parent, Qt::Window), ctx_(ctx) {
    setObjectName(QStringLiteral("frmPreview"));
    optFullRun_ = new QRadioButton(this);
    optFullRun_->setObjectName(QStringLiteral("optFullRun"));
    optFullRun_->setChecked(true);
    optBurnish_ = new QRadioButton(this);
    optBurnish_->setObjectName(QStringLiteral("optBurnish"));
    lblSummary_ = new QLabel(this);
    lblSummary_->setObjectName(QStringLiteral("lblSummary"));
    lblSummary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    drawing_ = new PlanDrawing(ctx.env, this);

    auto* choice = new QHBoxLayout;
    choice->addWidget(optFullRun_);
    choice->addWidget(optBurnish_);
    choice->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choice);
    layout->addWidget(lblSummary_);
    layout->addWidget(drawing_, 1);
    connect(optFullRun_, &QRadioButton::toggled, this, [this] { Recompute(); });
    resize(720, 560);
    ApplyTexts();
}

frmPreview::~frmPreview() { drawing_->SetPlan(nullptr); }

void frmPreview::SetBurnish(bool burnish) {
    (burnish ? optBurnish_ : optFullRun_)->setChecked(true);
    Recompute();
}

void frmPreview::Recompute() {
    drawing_->SetPlan(nullptr);
    plan_ = engine::RecordRunPlan(ctx_.env, ctx_.params, ctx_.env.ControllerFamily, optBurnish_->isChecked());
    drawing_->SetPlan(&plan_);
    ApplyTexts();
}

QString frmPreview::SummaryText() const {
    QStringList lines;
    for (const std::string& line : engine::PlanSummaryLines(ctx_.env, plan_, ctx_.params.fDSU != 0))
        lines << ToQString(line);
    return lines.join(QLatin1Char('\n'));
}

void frmPreview::ApplyTexts() {
    app::Environment& env = ctx_.env;
    ApplyResourceToControl(env, this, 920, env.PortCaptionPrefix);
    ApplyResourceToControl(env, optFullRun_, 922);
    ApplyResourceToControl(env, optBurnish_, 923);
    lblSummary_->setText(SummaryText());
    drawing_->update();
}

}  // namespace plyx::ui
