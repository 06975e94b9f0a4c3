// The shell options dialog: checking the fields in their fixed order and
// storing them through the setters that mark the shell as edited.
#include <QLineEdit>

#include "app/Numbers.h"
#include "app/ParameterFiles.h"
#include "ui/ResourceText.h"
#include "ui/frmOptions.h"

namespace plyx::ui {

namespace {
// A 16-bit field's text as its value: fractions rounded half to even;
// nothing when it does not fit.
std::optional<std::int16_t> IntegerValue(const std::string& text) { return app::ToInt16(app::Val(text)); }
}  // namespace

bool frmOptions::Rejects(const Field& field) {
    app::Environment& env = ctx_.env;
    const std::string text = ToStdString(field.edit->text());
    bool rejected = false;
    if (field.labelId != 0) {
        rejected = field.allowZero ? app::ValidateNonNegativeField(env, text, field.labelId)
                                   : app::ValidatePositiveField(env, text, field.labelId);
    } else {
        rejected = field.allowZero ? app::ValidateNonNegative(env, text, field.checkName)
                                   : app::ValidatePositive(env, text, field.checkName);
    }
    // A count the parameter cannot hold is refused like any other bad entry
    // rather than stored as something else.
    if (!rejected && field.integer != nullptr && !IntegerValue(text)) {
        const std::string name = field.labelId != 0 ? env.GetResourceText(field.labelId) : field.checkName;
        env.ShowResourceMessage(800, name + " ");
        rejected = true;
    }
    return rejected;
}

void frmOptions::TestData(std::int16_t& failed) {
    rejected_ = nullptr;
    for (const Field& field : fields_) {
        if (Rejects(field)) {
            rejected_ = field.edit;
            field.edit->setFocus(Qt::OtherFocusReason);
            field.edit->selectAll();
            failed = 1;
            return;
        }
    }
    failed = 0;
}

void frmOptions::EvaluateData(std::int16_t& failed) {
    TestData(failed);
    if (failed != 0) return;
    app::ParameterSet& p = ctx_.params;
    for (const Field& field : fields_) {
        const std::string text = ToStdString(field.edit->text());
        if (field.real != nullptr)
            app::SetDoubleIfChanged(p, p.*field.real, app::Val(text));
        else
            app::SetIntegerIfChanged(p, p.*field.integer, *IntegerValue(text));
    }
}

void frmOptions::cmdOK_Click() {
    RunAction(ctx_.env, [this] {
        std::int16_t failed = 0;
        EvaluateData(failed);
        if (failed == 0) accept();
    });
}

void frmOptions::cmdApply_Click() {
    RunAction(ctx_.env, [this] {
        std::int16_t failed = 0;
        EvaluateData(failed);
    });
}

void frmOptions::cmdCancel_Click() { reject(); }

}  // namespace plyx::ui
