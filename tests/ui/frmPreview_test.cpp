// The run preview names the layers that a finishing file adds, in its
// summary and its legend, and says why it is empty when no model is loaded.
#include <gtest/gtest.h>

#include <QLabel>
#include <filesystem>

#include "tests/ui/UiFixture.h"
#include "ui/ResourceText.h"
#include "ui/frmPreview.h"

namespace plyx::ui::test {
namespace {

using PreviewTest = UiTest;

TEST_F(PreviewTest, FinishingLayersAreNamedAndAnEmptyPreviewSaysWhy) {
    const std::string shells = PLYX3_EXAMPLES_DIR "/shells/";
    for (const char* name : {"Shell-6in.cfg", "Shell-6in.fin", "Shell-8in-alternate.cfg"})
        std::filesystem::copy_file(shells + name, w.DataDirectory() + "/" + name);
    struct Case {
        const char* shell;
        const char* model;
        const char* finishingLine;  // the summary's last line, "" when none names the finishing file
        std::vector<std::int32_t> legend;  // layer numbers of the legend's rows, 0 for a heading
        bool empty;
    };
    const Case cases[] = {
        {"Shell-6in.cfg", "M", "Layers from the finishing file: 7 (Shell-6in.fin)", {1, 2, 3, 4, 5, 6, 0, 7}, false},
        {"Shell-8in-alternate.cfg", "M", "", {1, 2, 3, 4}, false},
        {"Shell-6in.cfg", "", "", {}, true},
    };
    frmMain& main = Main();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.shell) + " model " + c.model);
        w.params.strModel = c.model;
        w.dialogs.fileAnswers = {w.DataDirectory() + "/" + c.shell};
        Click(&main, "mnuFileOpen");
        Click(&main, "mnuViewRunPreview");
        frmPreview& preview = *main.Preview();
        const QStringList summary = preview.SummaryText().split(QLatin1Char('\n'));
        std::vector<std::int32_t> legend;
        for (const PlanDrawing::LegendRow& row : preview.Drawing().Legend()) legend.push_back(row.layer);
        EXPECT_EQ(legend, c.legend);
        const QString why = "Nothing to show: no model is loaded. Select one with File, Select Model.";
        EXPECT_EQ(preview.Drawing().EmptyText(), c.empty ? why : QString());
        if (c.empty) {
            EXPECT_EQ(summary, QStringList{why});
        } else {
            const QString last = summary.back().startsWith("Layers from") ? summary.back() : QString();
            EXPECT_EQ(last, QString::fromUtf8(c.finishingLine));
        }
    }
}

}  // namespace
}  // namespace plyx::ui::test
