// The shell options dialog: checks in their fixed order with the focus on
// the rejected field, storing through the setters, the protected frame.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "tests/ui/UiFixture.h"
#include "ui/frmOptions.h"

namespace plyx::ui::test {
namespace {

class OptionsTest : public ::testing::Test {
protected:
    OptionsTest() { w.params.cPAVP = 5; }  // the default of 0 is refused
    UiWorld w;
    std::unique_ptr<frmOptions> dialog;

    frmOptions& Open() {
        dialog = std::make_unique<frmOptions>(w.ctx);
        dialog->IntializeData();
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
        return *dialog;
    }
    QLineEdit* Field(const char* name) { return dialog->findChild<QLineEdit*>(QString::fromLatin1(name)); }
    void Press(const char* button) { Click(dialog.get(), button); }
    void Type(const char* field, const QString& text) {
        Field(field)->selectAll();
        QTest::keyClicks(Field(field), text);
        ASSERT_EQ(Field(field)->text(), text);
    }
};

// Checks run in their fixed order, focus on the rejected field, and store
// nothing until all pass; the protected default pole advance of 0 is refused
// too, even with its frame hidden.
TEST_F(OptionsTest, ChecksRunInTheirFixedOrderAndStopAtTheFirstFailure) {
    w.params.cPAVP = 0;
    w.params.idMMD = 0;
    EXPECT_FALSE(Open().ProtectedShown());
    Press("cmdOK");
    EXPECT_TRUE(w.Messages() == std::vector<std::string>{"Pole Advance % must be > 0"} && dialog->isVisible());
    w.dialogs.messages.clear();
    w.params.idMMD = frmOptions::kServiceMode;
    frmOptions& d = Open();
    // rejected field, bad value typed first, message, then the value that mends it
    const std::tuple<const char*, const char*, const char*, const char*> steps[] = {
        {"edtLayerIncreasePercent", "0", "% increase per layer: must be > 0", "12"},
        {"edtAltLayer", "-1", "Alternate Layers: must be > 0", "0"},  // 0 is fine here
        {"edtThirdAxisCleanupPercent", "-2", "Third axis increase must be > 0", "2"},
        {"edtReqPoleAdvancePercent", "0", "Pole Advance % must be > 0", "5"},
        {"edtMainRateFirstLine", "x", "Main rate first line must be > 0", "1"},
        {"edtThirdAxisRateCleanup", "0", "Third axis interval must be > 0", "1"}};
    for (const auto& [field, bad, message, mend] : steps) Type(field, QString::fromLatin1(bad));
    for (const auto& [field, bad, message, mend] : steps) {
        Press("cmdApply");
        EXPECT_EQ(w.Messages().back(), message);
        EXPECT_TRUE(d.RejectedField() == Field(field) && d.focusWidget() == Field(field)) << field;
        EXPECT_TRUE(w.params.zASAPL == 10 && !w.params.ShellEdited);
        Type(field, QString::fromLatin1(mend));
    }
    Press("cmdApply");
    EXPECT_EQ(w.Messages().size(), std::size(steps));
    EXPECT_EQ(w.params.zASAPL, 12);
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

}  // namespace
}  // namespace plyx::ui::test
