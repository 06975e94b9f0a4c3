#pragma once
// The shell options dialog: the everyday shell parameters, and in service
// mode (MMD = 3958) the protected machine-tuning parameters. Every field is
// checked before any is stored; storing a changed value marks the shell as
// edited.
#include <QDialog>
#include <cstdint>
#include <vector>

#include "ui/UiContext.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace plyx::ui {

class frmOptions final : public QDialog {
    Q_OBJECT
public:
    // The service value of MMD that shows the protected parameters.
    static constexpr std::int16_t kServiceMode = 3958;

    explicit frmOptions(UiContext& ctx, QWidget* parent = nullptr);
    ~frmOptions() override;

    // Fills every field from the current parameters and applies the texts.
    void IntializeData();
    // failed = 1 when a field was rejected (its message shown, focus on it), else 0.
    void TestData(std::int16_t& failed);
    // TestData, and when every field passed, stores them all.
    void EvaluateData(std::int16_t& failed);

    void cmdOK_Click();
    void cmdApply_Click();
    void cmdCancel_Click();

    // The field that the last check rejected (nullptr when all passed).
    QLineEdit* RejectedField() const { return rejected_; }
    bool ProtectedShown() const;

    // One edit field, the parameter behind it and how it is checked.
    struct Field {
        QLineEdit* edit = nullptr;
        double app::ParameterSet::*real = nullptr;          // a real parameter, or
        std::int16_t app::ParameterSet::*integer = nullptr;  // a 16-bit integer one
        bool allowZero = false;                             // ">= 0" instead of "> 0"
        text::ResourceId labelId = 0;                       // named by its label's text, or
        const char* checkName = nullptr;                    // by a fixed name
        text::ResourceId tipId = 0;                         // its tooltip: unit and range
    };

private:
    void BuildControls();
    void BuildProtectedFrame();
    int AddProtectedRow(QWidget* parent, int top, const char* caption, const char* fieldName);
    QLineEdit* FieldNamed(const char* name) const;
    bool Rejects(const Field& field);

    UiContext& ctx_;
    std::vector<Field> fields_;
    QLineEdit* rejected_ = nullptr;

    QLabel* lblShellName_ = nullptr;
    std::vector<QLabel*> labels_;  // resource-captioned labels, in the order of their fields
    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
    QPushButton* cmdApply_ = nullptr;
    QGroupBox* Frame1_ = nullptr;
    QLabel* lblMicroStepsPerStep_ = nullptr;
};

}  // namespace plyx::ui
