// The shell options dialog: checks in their fixed order with the focus on
// the rejected field, storing through the setters, the protected frame.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "tests/ui/UiFixture.h"
#include "ui/Application.h"
#include "ui/frmMain.h"
#include "ui/frmOptions.h"

namespace plyx::ui::test {
namespace {

class OptionsTest : public ::testing::Test {
protected:
    // A valid pole advance, unless a test wants the default of 0 refused.
    OptionsTest() { w.params.cPAVP = 5; }
    UiWorld w;
    std::unique_ptr<frmOptions> dialog;

    frmOptions& Open() {
        dialog = std::make_unique<frmOptions>(w.ctx);
        dialog->IntializeData();
        dialog->show();
        return *dialog;
    }
    QLineEdit* Field(const char* name) { return dialog->findChild<QLineEdit*>(QString::fromLatin1(name)); }
    void Type(const char* field, const QString& text) {
        QLineEdit* edit = Field(field);
        ASSERT_NE(edit, nullptr) << field;
        edit->selectAll();
        QTest::keyClicks(edit, text);
        ASSERT_EQ(edit->text(), text);
    }
    void Press(const char* button) {
        QTest::mouseClick(dialog->findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
    }
};

// Shown in service mode or hidden, the protected field still stops OK.
TEST_F(OptionsTest, DefaultPoleAdvanceOfZeroIsRefusedWithFocusOnIt) {
    w.params.cPAVP = 0;
    for (const std::int16_t mode : {frmOptions::kServiceMode, std::int16_t{0}}) {
        w.dialogs.messages.clear();
        w.params.idMMD = mode;
        frmOptions& d = Open();
        EXPECT_EQ(d.ProtectedShown(), mode != 0);
        QApplication::setActiveWindow(&d);
        Type("edtShellDiameter", "8");
        Press("cmdOK");
        ASSERT_EQ(w.Messages(), std::vector<std::string>{"Pole Advance % must be > 0"});
        EXPECT_EQ(d.RejectedField(), Field("edtReqPoleAdvancePercent"));
        if (mode != 0) {
            EXPECT_EQ(d.focusWidget(), Field("edtReqPoleAdvancePercent"));
        }
        EXPECT_TRUE(d.isVisible());
        Press("cmdApply");
        EXPECT_EQ(w.Messages().size(), 2u);
        EXPECT_EQ(w.params.zSD, 6);  // nothing stored
        EXPECT_FALSE(w.params.ShellEdited);
    }
}

TEST_F(OptionsTest, ChecksRunInTheirFixedOrderAndStopAtTheFirstFailure) {
    frmOptions& d = Open();
    QApplication::setActiveWindow(&d);
    const std::pair<const char*, const char*> bad[] = {{"edtAltLayer", "-1"},
                                                       {"edtLayerIncreasePercent", "0"},
                                                       {"edtMainRateFirstLine", "x"},
                                                       {"edtThirdAxisCleanupPercent", "-2"},
                                                       {"edtThirdAxisRateCleanup", "0"}};
    for (const auto& [field, typed] : bad) Type(field, QString::fromLatin1(typed));
    // rejected field, message, then the value that mends it (0 is fine for Alternate Layers)
    const std::tuple<const char*, const char*, const char*> steps[] = {
        {"edtLayerIncreasePercent", "% increase per layer: must be > 0", "12"},
        {"edtAltLayer", "Alternate Layers: must be > 0", "0"},
        {"edtThirdAxisCleanupPercent", "Third axis increase must be > 0", "2"},
        {"edtMainRateFirstLine", "Main rate first line must be > 0", "1"},
        {"edtThirdAxisRateCleanup", "Third axis interval must be > 0", "1"}};
    for (const auto& [field, message, mend] : steps) {
        Press("cmdApply");
        EXPECT_EQ(w.Messages().back(), message);
        EXPECT_EQ(d.RejectedField(), Field(field));
        EXPECT_EQ(d.focusWidget(), Field(field));
        EXPECT_EQ(w.params.zASAPL, 10);  // still nothing stored
        Type(field, QString::fromLatin1(mend));
    }
    Press("cmdApply");
    EXPECT_EQ(w.Messages().size(), std::size(steps));
    EXPECT_EQ(w.params.zASAPL, 12);
}

TEST_F(OptionsTest, OkStoresEveryFieldAndMarksTheShellEditedOnlyOnChange) {
    w.params.zTS = 0.1 + 0.2;  // a value with no short decimal form
    Open();
    Press("cmdOK");
    EXPECT_TRUE(w.Messages().empty());
    EXPECT_FALSE(w.params.ShellEdited);
    EXPECT_EQ(w.params.zTS, 0.1 + 0.2);

    // Cancel keeps what Apply stored.
    Open();
    Type("edtTapeSpacing", "3.5");
    Press("cmdApply");
    Type("edtTapeSpacing", "4.5");
    Press("cmdCancel");
    EXPECT_EQ(w.params.zTS, 3.5);
    EXPECT_FALSE(dialog->isVisible());

    frmOptions& d = Open();
    Type("edtTotalLayerCount", "2.5");
    Type("edtWrapsPerLayer", "3.5");
    Type("edtShellDiameter", " 8.75 ");
    Type("edtRampRate", "450");
    Press("cmdOK");
    EXPECT_TRUE(w.Messages().empty());
    EXPECT_EQ(w.params.cTLC, 2);  // halves to even
    EXPECT_EQ(w.params.cMRC, 4);
    EXPECT_EQ(w.params.zSD, 8.75);
    EXPECT_EQ(w.params.zRR, 450);
    EXPECT_TRUE(w.params.ShellEdited);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Accepted);
}

// Counts are checked as they will be stored (rounded half to even, in 16
// bits); a refusal stores nothing, not even the other fields.
TEST_F(OptionsTest, CountsAreCheckedAsTheyWillBeStored) {
    using P = app::ParameterSet;
    const std::tuple<const char*, std::int16_t P::*, const char*> counts[] = {
        {"edtTotalLayerCount", &P::cTLC, "Number of layers:"},
        {"edtWrapsPerLayer", &P::cMRC, "Wraps per layer:"},
        {"edtBurnishLayerCount", &P::cBLC, "Burnish Layer Count:"},
        {"edtAltLayer", &P::fLayerPattern, "Alternate Layers:"},
        {"edtThirdAxisWraps", &P::cTARC, "Third axis wraps"},
        {"edtReqPoleAdvancePercent", &P::cPAVP, "Pole Advance %"}};
    // typed, stored (-1: refused as not above 0, -2: refused as too large)
    const std::pair<const char*, int> entries[] = {{"0.4", 0},     {"0.5", 0},       {"0.6", 1}, {"32767", 32767},
                                                   {"32767.5", -2}, {"32768", -2}, {"-1", -1}};
    const P before = w.params;
    for (const auto& [field, param, name] : counts) {
        for (const auto& [typed, stored] : entries) {
            const bool refused = stored < 0 || (stored == 0 && param != &P::fLayerPattern);
            const std::string why = std::string(name) + (stored == -2 ? " must be 32767 or less" : " must be > 0");
            w.dialogs.messages.clear();
            w.params = before;
            Open();
            Type("edtTapeSpacing", "3.5");
            Type(field, QString::fromLatin1(typed));
            Press("cmdApply");
            SCOPED_TRACE(std::string(field) + " = " + typed);
            EXPECT_EQ(w.Messages(), refused ? std::vector<std::string>{why} : std::vector<std::string>{});
            EXPECT_EQ(w.params.*param, refused ? before.*param : stored);
            EXPECT_EQ(w.params.zTS, refused ? before.zTS : 3.5);
            EXPECT_EQ(w.params.ShellEdited, !refused);
        }
    }
}

TEST_F(OptionsTest, EditThisShellOpensTheDialogModallyAndTheMainWindowShowsNone) {
    Application app(w.ctx);
    frmMain& main = app.LoadMainWindow();
    w.engine.ReturnToMainWindow();
    w.params.CurrentShellFile = "/s/shell.cfg";
    main.LoadLabels();
    bool sawDialog = false;
    WhenModalShown([&](QWidget* modal) {
        auto* d = qobject_cast<frmOptions*>(modal);
        if (d == nullptr) return;
        sawDialog = true;
        EXPECT_FALSE(main.TimerRunning());
        auto* layers = d->findChild<QLineEdit*>("edtTotalLayerCount");
        layers->setText("11");
        QTest::mouseClick(d->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
    });
    QTest::mouseClick(main.findChild<QPushButton*>("btnEditThisShell"), Qt::LeftButton);
    EXPECT_TRUE(sawDialog);
    EXPECT_EQ(w.Messages(), std::vector<std::string>{});
    EXPECT_EQ(w.exitCodes, std::vector<int>{});
    EXPECT_EQ(w.params.cTLC, 11);
    EXPECT_EQ(CaptionOfChild(&main, "lblShellName"), "<none>");
    EXPECT_TRUE(main.TimerRunning());
}

}  // namespace
}  // namespace plyx::ui::test
