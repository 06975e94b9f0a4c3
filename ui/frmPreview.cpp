#include "ui/frmPreview.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "engine/RunGeometry.h"
#include "text/TextIds.h"
#include "ui/ResourceText.h"

namespace plyx::ui {

namespace {
QColor ColourOf(std::int32_t layer) { return QColor::fromRgb(engine::LayerColour(layer)); }
constexpr int kLegendSwatch = 22;  // the colour swatch and the gap after it
constexpr int kLegendMaxWidth = 220;
}  // namespace

PlanDrawing::PlanDrawing(app::Environment& env, QWidget* parent) : QWidget(parent), env_(env) {
    setObjectName(QStringLiteral("picPlan"));
    setMinimumSize(320, 240);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PlanDrawing::SetPlan(const engine::RunPlan* plan, std::int32_t firstFinishingLayer) {
    plan_ = plan;
    firstFinishingLayer_ = firstFinishingLayer;
    path_ = plan ? engine::PlanPath(*plan) : std::vector<engine::PlanPoint>{};
    update();
}

void PlanDrawing::SetResume(std::int32_t firstLayerToRun, std::optional<QPointF> head, QPointF layerStart) {
    doneBefore_ = firstLayerToRun;
    head_ = head;
    layerStart_ = layerStart;
    update();
}

void PlanDrawing::SetEmptyText(const QString& text) {
    emptyText_ = text;
    update();
}

std::vector<PlanDrawing::LegendRow> PlanDrawing::Legend() const {
    std::vector<LegendRow> rows;
    if (plan_ == nullptr || path_.size() < 2) return rows;
    const QString layer = ToQString(env_.GetResourceText(text::kTextLayer));
    for (std::int32_t n = 1; n <= plan_->layers; ++n) {
        // The finishing file's layers under a heading of their own.
        if (n == firstFinishingLayer_) rows.push_back({0, ToQString(env_.GetResourceText(1341))});
        rows.push_back({n, layer + QLatin1Char(' ') + QString::number(n)});
    }
    return rows;
}

int PlanDrawing::LegendWidth() const {
    const QFontMetrics fm(font());
    int widest = 0;
    for (const LegendRow& row : Legend())
        widest = std::max(widest, fm.horizontalAdvance(row.text) + (row.layer > 0 ? kLegendSwatch : 0));
    return std::min(widest + 4, kLegendMaxWidth);
}

QRect PlanDrawing::PlotArea() const {
    const QFontMetrics fm(font());
    const int left = fm.horizontalAdvance(QStringLiteral("-0000000")) + fm.height() + 8;
    const int bottom = 2 * fm.height() + 10;
    return QRect(left, 10, std::max(10, width() - left - LegendWidth() - 10), std::max(10, height() - 10 - bottom));
}

void PlanDrawing::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const QRect area = PlotArea();
    painter.setPen(Qt::black);
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    if (plan_ == nullptr || path_.size() < 2) {
        painter.drawText(area.adjusted(10, 10, -10, -10), Qt::AlignCenter | Qt::TextWordWrap, emptyText_);
        return;
    }

    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    auto widen = [&](double x, double y) {
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    };
    for (const engine::PlanPoint& p : path_) widen(p.x, p.y);
    if (head_) widen(head_->x(), head_->y());
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
                     ToQString(env_.GetResourceText(text::kTextXSteps)));
    painter.drawText(QRect(0, area.top(), area.left() - 4, line), Qt::AlignRight, QString::number(maxY, 'f', 0));
    painter.drawText(QRect(0, area.bottom() - line, area.left() - 4, line), Qt::AlignRight,
                     QString::number(minY, 'f', 0));
    painter.save();
    painter.translate(line / 2.0 + 2, area.center().y());
    painter.rotate(-90);
    painter.drawText(QRect(-area.height() / 2, -line / 2, area.height(), line), Qt::AlignHCenter,
                     ToQString(env_.GetResourceText(text::kTextYSteps)));
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
        // A resume's done layers are grey.
        painter.setPen(QPen(layer < doneBefore_ ? QColor(Qt::lightGray) : ColourOf(layer), 2));
        painter.drawPolyline(poly);
    }
    if (head_) {
        painter.setPen(QPen(Qt::black, 2, Qt::DashLine));
        painter.drawLine(at({head_->x(), head_->y(), 0}), at({layerStart_.x(), layerStart_.y(), 0}));
    }
    painter.setClipping(false);

    // Legend.
    const int x = area.right() + 12;
    const int legendWidth = width() - x;
    int y = area.top();
    for (const LegendRow& row : Legend()) {
        if (y + line > height()) break;
        painter.setPen(Qt::black);
        const QRect text = row.layer > 0 ? QRect(x + kLegendSwatch, y, legendWidth - kLegendSwatch, line)
                                         : QRect(x, y + line / 2, legendWidth, line);
        if (row.layer > 0) {
            painter.fillRect(QRect(x, y + 2, 16, line - 4),
                             row.layer < doneBefore_ ? QColor(Qt::lightGray) : ColourOf(row.layer));
        } else {
            y += line / 2;  // a little room above the heading
            painter.drawLine(x, y, x + legendWidth - 4, y);
        }
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                         fm.elidedText(row.text, Qt::ElideRight, text.width()));
        y += line + 4;
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
    // Without a model no run starts, so there is nothing to plan.
    plan_ = ctx_.params.strModel.empty()
                ? engine::RunPlan{}
                : engine::RecordRunPlan(ctx_.env, ctx_.params, ctx_.env.ControllerFamily, optBurnish_->isChecked());
    drawing_->SetPlan(&plan_, FirstFinishingLayer());
    ApplyTexts();
}

std::int32_t frmPreview::FirstFinishingLayer() const {
    if (!plan_.finishingChained) return 0;
    return engine::RunGeometry::LayerCount(ctx_.params, false) + 1;
}

QString frmPreview::SummaryText() const {
    app::Environment& env = ctx_.env;
    if (ctx_.params.strModel.empty()) return ToQString(env.GetResourceText(1342));
    QStringList lines;
    for (const std::string& line : engine::PlanSummaryLines(env, plan_, ctx_.params.fDSU != 0))
        lines << ToQString(line);
    if (const std::int32_t first = FirstFinishingLayer(); first > 0 && first <= plan_.layers) {
        const std::string finishing =
            app::GetFileNameOf(app::ReplaceExtension(app::TrimAtNul(ctx_.params.CurrentShellFile), "fin"));
        const std::string layers =
            first == plan_.layers ? std::to_string(first) : std::to_string(first) + "-" + std::to_string(plan_.layers);
        lines << ToQString(env.GetResourceText(1340) + " " + layers + " (" + finishing + ")");
    }
    return lines.join(QLatin1Char('\n'));
}

void frmPreview::ApplyTexts() {
    app::Environment& env = ctx_.env;
    ApplyResourceToControl(env, this, 920, env.PortCaptionPrefix);
    ApplyResourceToControl(env, optFullRun_, 922);
    ApplyResourceToControl(env, optBurnish_, 923);
    lblSummary_->setText(SummaryText());
    drawing_->SetEmptyText(ctx_.params.strModel.empty() ? ToQString(env.GetResourceText(1342)) : QString());
}

}  // namespace plyx::ui
