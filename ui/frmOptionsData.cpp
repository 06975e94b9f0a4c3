// The shell options dialog: checking the fields in their fixed order and
// storing them through the setters that mark the shell as edited.
#include <QLineEdit>

#include "app/Numbers.h"
#include "app/ParameterFiles.h"
#include "ui/ResourceText.h"
#include "ui/frmOptions.h"

namespace plyx::ui {

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
    if (rejected || field.integer == nullptr) return rejected;
    // A count is checked as it will be stored, rounded: "0.4" would store 0,
    // and a number the 16-bit parameter cannot hold would store nothing sane.
    const double stored = app::RoundHalfEven(app::Val(text));
    text::ResourceId why = 0;
    if (!app::ToInt16(stored))
        why = 900;
    else if (stored < (field.allowZero ? 0 : 1))
        why = 800;
    if (why == 0) return false;
    const std::string name = field.labelId != 0 ? env.GetResourceText(field.labelId) : field.checkName;
    env.ShowResourceMessage(why, name + " ");
    return true;
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
            app::SetIntegerIfChanged(p, p.*field.integer, *app::ToInt16(app::Val(text)));
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
