#pragma once
// The run preview: the plan of a full run or a burnish pass of the current
// parameters (a chained finishing file included), made by the engine
// itself: its summary (layers, moves, tape, estimated time) and a drawing
// of the wrap path, one colour per layer. Opened from the main window's
// View menu; recomputed whenever the main window shows new parameters.
#include <QPointF>
#include <QWidget>
#include <optional>

#include "engine/plan/RunPlan.h"
#include "ui/UiContext.h"

class QLabel;
class QRadioButton;

namespace plyx::ui {

// The wrap path scaled to the widget: axes in steps, a legend per layer.
class PlanDrawing final : public QWidget {
    Q_OBJECT
public:
    PlanDrawing(app::Environment& env, QWidget* parent);
    // firstFinishingLayer: the first layer pass from the finishing file (0: none).
    void SetPlan(const engine::RunPlan* plan, std::int32_t firstFinishingLayer = 0);
    // Drawn in place of the path when there is none ("" draws nothing).
    void SetEmptyText(const QString& text);
    // A resume: the layers before this one are done and drawn grey (0: none),
    // and a dashed line joins the head to the layer's start (steps from the
    // plan's origin; no head: no line).
    void SetResume(std::int32_t firstLayerToRun, std::optional<QPointF> head, QPointF layerStart);
    std::int32_t DoneBefore() const { return doneBefore_; }
    QString EmptyText() const { return emptyText_; }
    // Where the path is drawn, in the widget's coordinates.
    QRect PlotArea() const;
    // The legend's rows, top down: a layer's row has its layer number, a
    // heading row 0.
    struct LegendRow {
        std::int32_t layer;
        QString text;
    };
    std::vector<LegendRow> Legend() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    app::Environment& env_;
    int LegendWidth() const;

    const engine::RunPlan* plan_ = nullptr;
    std::int32_t firstFinishingLayer_ = 0;
    QString emptyText_;
    std::vector<engine::PlanPoint> path_;
    std::int32_t doneBefore_ = 0;
    std::optional<QPointF> head_;
    QPointF layerStart_;
};

class frmPreview final : public QWidget {
    Q_OBJECT
public:
    explicit frmPreview(UiContext& ctx, QWidget* parent = nullptr);
    ~frmPreview() override;

    // Plans the chosen run again from the current parameters and shows it.
    void Recompute();
    void ApplyTexts();
    void SetBurnish(bool burnish);

    const engine::RunPlan& Plan() const { return plan_; }
    PlanDrawing& Drawing() { return *drawing_; }
    QString SummaryText() const;
    // The first layer pass that comes from the finishing file (0: none).
    std::int32_t FirstFinishingLayer() const;

private:
    UiContext& ctx_;
    engine::RunPlan plan_;
    QRadioButton* optFullRun_ = nullptr;
    QRadioButton* optBurnish_ = nullptr;
    QLabel* lblSummary_ = nullptr;
    PlanDrawing* drawing_ = nullptr;
};

}  // namespace plyx::ui
