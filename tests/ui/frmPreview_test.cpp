// The run preview opened from the main window's View menu, drawn offscreen:
// the plan it shows is the one the run then queues, every layer is painted
// in its colour at any window size, and it follows parameter changes.
#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "tests/ui/UiFixture.h"
#include "ui/Application.h"
#include "ui/frmMain.h"
#include "ui/frmPreview.h"

namespace plyx::ui::test {
namespace {

// Pixels of each layer's colour inside the drawing's plot area (index = layer).
std::vector<int> LayerPixels(PlanDrawing& drawing, std::int32_t layers) {
    const QImage image = drawing.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const qreal ratio = image.devicePixelRatio();
    const QRect area = drawing.PlotArea();
    std::vector<int> counts(static_cast<std::size_t>(layers) + 1, 0);
    for (int y = static_cast<int>(area.top() * ratio); y < static_cast<int>(area.bottom() * ratio); ++y)
        for (int x = static_cast<int>(area.left() * ratio); x < static_cast<int>(area.right() * ratio); ++x) {
            const QRgb pixel = image.pixel(x, y) & 0xFFFFFF;
            for (std::int32_t layer = 1; layer <= layers; ++layer)
                if (pixel == engine::LayerColour(layer)) ++counts[static_cast<std::size_t>(layer)];
        }
    return counts;
}

TEST(RunPreview, ShowsTheRunItQueuesAndPaintsEveryLayerAtAnySize) {
    UiWorld w;
    Application app{w.ctx};
    frmMain& main = app.LoadMainWindow();
    w.engine.ReturnToMainWindow();
    w.params.fAutoCloseRunWindow = 1;
    main.findChild<QAction*>("mnuViewRunPreview")->trigger();
    frmPreview* preview = main.Preview();
    ASSERT_NE(preview, nullptr);
    ASSERT_TRUE(preview->isVisible());
    EXPECT_EQ(preview->windowTitle(), "COM3: Run Preview");

    const engine::RunPlan plan = preview->Plan();
    const int before = w.controller.moves;
    QTest::mouseClick(main.findChild<QPushButton*>("btnFullRun"), Qt::LeftButton);
    EXPECT_EQ(static_cast<std::size_t>(w.controller.moves - before), plan.moves.size());
    EXPECT_NE(preview->SummaryText().toStdString().find("Layers: 6\n"), std::string::npos);

    for (QSize size : {QSize(900, 700), QSize(420, 320)}) {
        SCOPED_TRACE(size.width());
        preview->resize(size);
        QApplication::processEvents();
        const std::vector<int> counts = LayerPixels(preview->Drawing(), plan.layers);
        for (std::int32_t layer = 1; layer <= plan.layers; ++layer) EXPECT_GT(counts[layer], 10) << layer;
    }

    // New parameters reach an open preview with the main window's labels;
    // the burnish choice plans the burnish pass.
    w.params.cTLC = 3;
    main.LoadLabels();
    EXPECT_EQ(preview->Plan().layers, 3);
    EXPECT_NE(preview->SummaryText().toStdString().find("Layers: 3\n"), std::string::npos);
    preview->SetBurnish(true);
    EXPECT_EQ(preview->Plan().layers, w.params.cBLC);
    EXPECT_TRUE(preview->Plan().burnish);
}

}  // namespace
}  // namespace plyx::ui::test
