#pragma once
// The run preview: the plan of a full run or a burnish pass of the current
// parameters (a chained finishing file included), made by the engine
// itself: its summary (layers, moves, tape, estimated time) and a drawing
// of the wrap path, one colour per layer. Opened from the main window's
// View menu; recomputed whenever the main window shows new parameters.
#include <QWidget>

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
    void SetPlan(const engine::RunPlan* plan);
    // Where the path is drawn, in the widget's coordinates.
    QRect PlotArea() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    app::Environment& env_;
    const engine::RunPlan* plan_ = nullptr;
    std::vector<engine::PlanPoint> path_;
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

private:
    UiContext& ctx_;
    engine::RunPlan plan_;
    QRadioButton* optFullRun_ = nullptr;
    QRadioButton* optBurnish_ = nullptr;
    QLabel* lblSummary_ = nullptr;
    PlanDrawing* drawing_ = nullptr;
};

}  // namespace plyx::ui
