// Captions that must not be cut off, in every window and language.
#include <gtest/gtest.h>

#include <QPushButton>

#include "tests/ui/UiFixture.h"
#include "ui/Layout.h"
#include "ui/ResourceText.h"
#include "ui/frmOptions.h"
#include "ui/frmRunStatus.h"
#include "ui/frmSplash.h"
#include "ui/frmSwitchStatus.h"

namespace plyx::ui {
namespace {

// A long caption takes two lines, or without a blank a smaller font, never
// below 8 pt (also from a design size under 12 pt), and never cut off.
TEST(Layout, LongCaptionWrapsOrShrinksInsteadOfBeingCutOff) {
    QWidget parent;
    QPushButton* button = NewButton(&parent, 0, 0, 2655, 735, 12, true);
    SetCaption(button, "Αποθήκευση αυτού του κελύφους");
    EXPECT_TRUE(CaptionFits(button) && button->text() == "Αποθήκευση αυτού\nτου κελύφους");
    EXPECT_EQ(CaptionOf(button), "Αποθήκευση αυτού του κελύφους");
    SetCaption(button, "Αποθήκευσηαυτούτου");
    EXPECT_TRUE(CaptionFits(button) && button->font().pointSizeF() < 12);
    QPushButton* small = NewButton(&parent, 0, 0, 2655, 735, 9.75, true);
    for (QPushButton* b : {button, small}) {
        SetCaption(b, "Αποθήκευσηαυτούτουκελύφουςκαιάλλων");
        EXPECT_DOUBLE_EQ(b->font().pointSizeF(), 8);
    }
    SetCaption(button, "Short");
    EXPECT_TRUE(button->text() == "Short" && button->font().pointSizeF() == 12);
}

// Every caption of every window, in English and in the longest German, is
// whole and drawn at 8 pt or more, and at two thirds of its design size.
class EveryWindow : public ::testing::TestWithParam<std::string> {};

TEST_P(EveryWindow, CaptionsFitAndStayReadable) {
    test::UiWorld w;
    std::string file = PLYX3_EXAMPLES_DIR + GetParam();
    // A shipped translation loads and has every text.
    ASSERT_TRUE(GetParam().empty() || text::LoadSelectedResourceFile(w.env, file) == 0);
    EXPECT_EQ(w.tables.SelectedLanguageTable.size(), GetParam().empty() ? 0 : w.tables.InternalDictionary.size());
    w.params.CurrentShellFile = w.DataDirectory() + "/demo shell 7-5.cfg";
    w.params.idMMD = frmOptions::kServiceMode;
    Application app(w.ctx);
    frmOptions options(w.ctx);
    options.IntializeData();
    app.ShowSplash().SetScanningStatusMessage("COM12");
    app.RunStatus().SetShellNameCaption("");
    app.SwitchStatus().LoadLabels();
    const std::vector<QWidget*> windows{&app.ShowSplash(), &app.LoadMainWindow(), &options, &app.RunStatus(),
                                        &app.SwitchStatus()};
    int captions = 0;
    for (QWidget* window : windows) {
        for (QWidget* control : window->findChildren<QWidget*>()) {
            const double design = DesignPoints(control);
            if (design <= 0 || CaptionOf(control).isEmpty()) continue;
            ++captions;
            SCOPED_TRACE(ToStdString(window->objectName() + "/" + control->objectName() + " " + CaptionOf(control)));
            EXPECT_GE(control->font().pointSizeF(), std::max(8.0, design * 2 / 3));
            EXPECT_TRUE(CaptionFits(control));
        }
    }
    EXPECT_GT(captions, 60);
}

INSTANTIATE_TEST_SUITE_P(Languages, EveryWindow,
                         ::testing::Values("", "/languages/german-long.lng", "/languages/german.lng",
                                           "/languages/greek.lng"));

}  // namespace
}  // namespace plyx::ui
