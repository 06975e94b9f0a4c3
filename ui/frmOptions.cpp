// The shell options dialog: layout and texts. The checks and storing are in
// frmOptionsData.cpp.
#include "ui/frmOptions.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

#include "ui/Layout.h"
#include "ui/ResourceText.h"

namespace plyx::ui {

namespace {

using P = app::ParameterSet;

// The everyday fields in the order of the dialog (which is also the order of
// their checks): field, label control, label text, parameter, top.
struct EverydayRow {
    const char* field;
    const char* label;
    text::ResourceId labelId;
    double P::*real;
    std::int16_t P::*integer;
    bool allowZero;
    int top;
    text::ResourceId tipId;  // its tooltip: unit and allowed range
};
constexpr EverydayRow kEveryday[] = {
    {"edtShellDiameter", "lblShellDiameterLable", 407, &P::zSD, nullptr, false, 480, 1300},
    {"edtPoleDiameter", "lblPoleDiameterLabel", 408, &P::zPD, nullptr, false, 840, 1301},
    {"edtTapeSpacing", "lblTapeSpacingLabel", 409, &P::zTS, nullptr, false, 1200, 1302},
    {"edtTargetRateScale", "lblSpeedLabel", 410, &P::zTRS, nullptr, false, 1560, 1303},
    {"edtTotalLayerCount", "lblNumberOfLayersLabel", 411, nullptr, &P::cTLC, false, 2160, 1304},
    {"edtWrapsPerLayer", "lblWrapsPerLayerLabel", 412, nullptr, &P::cMRC, false, 2520, 1305},
    {"edtLayerIncreasePercent", "lblLayerIncreasePercentLabel", 413, &P::zASAPL, nullptr, false, 2880, 1306},
    {"edtBurnishRateIncreasePercent", "lblBurnishRateIncreasePercentLabel", 406, &P::zBRIP, nullptr, false, 3480, 1307},
    {"edtBurnishLayerCount", "lblBurnishLayerCountLabel", 405, nullptr, &P::cBLC, false, 3960, 1308},
    {"edtAltLayer", "lblAltLayer", 414, nullptr, &P::fLayerPattern, true, 4440, 1309},
};

// The protected fields in the order of their checks, with the name their
// message gives them.
struct ProtectedCheck {
    const char* field;
    const char* checkName;
    double P::*real;
    std::int16_t P::*integer;
    text::ResourceId tipId;  // its tooltip: unit and allowed range
};
constexpr ProtectedCheck kProtected[] = {
    {"edtMainIntervalPercent", "Main interval", &P::zMISP, nullptr, 1310},
    {"edtThirdAxisWraps", "Third axis wraps", nullptr, &P::cTARC, 1314},
    {"edtThirdAxisIntervalPercent", "Third axis interval", &P::zTASP, nullptr, 1315},
    {"edtThirdAxisCleanupPercent", "Third axis increase", &P::zTASIP, nullptr, 1316},
    {"edtReqPoleAdvancePercent", "Pole Advance %", nullptr, &P::cPAVP, 1317},
    {"edtMainRateFirstLine", "Main rate first line", &P::zMRFL, nullptr, 1311},
    {"edtMainRateSecondLine", "Main rate second line", &P::zMRSL, nullptr, 1312},
    {"edtMainRateStandardInterval", "Main rate standard interval", &P::zMRSI, nullptr, 1313},
    {"edtThirdAxisRateFirstLine", "Third axis rate first line", &P::zTARFL, nullptr, 1318},
    {"edtThirdAxisRateSecondLine", "Third axis rate second line", &P::zTARSL, nullptr, 1319},
    {"edtThirdAxisRateCleanup", "Third axis interval", &P::zTRI, nullptr, 1320},
    {"edtStartRate", "Start/stop rate", &P::zSSR, nullptr, 1321},
    {"edtRampRate", "Ramp rate", &P::zRR, nullptr, 1322},
    {"edtDistanceScaleFactor", "Distance scale factor", &P::zDSF, nullptr, 1323},
};
constexpr text::ResourceId kMicroStepsTip = 1324;

// Inside the protected frame: the groups' left edge and width, and the
// columns of a row inside a group.
constexpr int kGroupLeft = 240;
constexpr int kGroupWidth = 3975;
constexpr int kRowLabelLeft = 120;
constexpr int kRowLabelWidth = 2520;
constexpr int kRowFieldLeft = 2700;
constexpr int kRowFieldWidth = 1155;
constexpr int kFieldHeight = 285;
constexpr int kRowGap = 75;

constexpr double kFramePoints = 8.25;
constexpr const char* kFrameFamily = "MS Sans Serif";

}  // namespace

frmOptions::frmOptions(UiContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("frmOptions"));
    setModal(true);
    setAttribute(Qt::WA_DeleteOnClose, false);
    BuildControls();
    BuildProtectedFrame();
}

frmOptions::~frmOptions() = default;

void frmOptions::BuildControls() {
    SetClientSizeTwips(this, 4965, 5580);
    lblShellName_ = NewLabel(this, 120, 120, 4455, 300, 9.75, true);
    lblShellName_->setObjectName(QStringLiteral("lblShellName"));
    for (const EverydayRow& row : kEveryday) {
        QLabel* label = NewLabel(this, 120, row.top, 3015, 300, 9.75, true);
        label->setObjectName(QString::fromLatin1(row.label));
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        labels_.push_back(label);
        QLineEdit* edit = NewField(this, 3240, row.top, 1575, kFieldHeight, 8.25, false);
        edit->setObjectName(QString::fromLatin1(row.field));
        label->setBuddy(edit);
        Field field;
        field.edit = edit;
        field.real = row.real;
        field.integer = row.integer;
        field.allowZero = row.allowZero;
        field.labelId = row.labelId;
        field.tipId = row.tipId;
        fields_.push_back(field);
    }
    // Wider than designed, so that captions of other languages stay readable.
    auto button = [this](const char* name, int left, void (frmOptions::*handler)()) {
        QPushButton* made = NewButton(this, left, 4920, 1305, 375, 8.25, false);
        made->setObjectName(QString::fromLatin1(name));
        connect(made, &QPushButton::clicked, this, handler);
        return made;
    };
    cmdOK_ = button("cmdOK", 360, &frmOptions::cmdOK_Click);
    cmdCancel_ = button("cmdCancel", 1830, &frmOptions::cmdCancel_Click);
    cmdApply_ = button("cmdApply", 3300, &frmOptions::cmdApply_Click);
    cmdOK_->setDefault(true);
}

int frmOptions::AddProtectedRow(QWidget* parent, int top, const char* caption, const char* fieldName) {
    const QString text = QString::fromLatin1(caption);
    // A caption too long for one line takes two.
    const QFontMetrics metrics(DesignFont(kFramePoints, false, kFrameFamily));
    const bool twoLines = metrics.horizontalAdvance(text) > Twips(kRowLabelWidth) - 4;
    const int labelHeight = twoLines ? 450 : kFieldHeight;
    QLabel* label = NewLabel(parent, kRowLabelLeft, top, kRowLabelWidth, labelHeight, kFramePoints, false, twoLines);
    SetDesignFont(label, kFramePoints, false, kFrameFamily);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setText(text);
    const int fieldTop = top + (labelHeight - kFieldHeight) / 2;
    if (fieldName != nullptr) {
        QLineEdit* edit = NewField(parent, kRowFieldLeft, fieldTop, kRowFieldWidth, kFieldHeight, kFramePoints, false);
        edit->setObjectName(QString::fromLatin1(fieldName));
        label->setBuddy(edit);
    } else {
        lblMicroStepsPerStep_ = NewLabel(parent, kRowFieldLeft, fieldTop, kRowFieldWidth, kFieldHeight, kFramePoints, false);
        SetDesignFont(lblMicroStepsPerStep_, kFramePoints, false, kFrameFamily);
        lblMicroStepsPerStep_->setObjectName(QStringLiteral("lblMicroStepsPerStep"));
    }
    return top + labelHeight + kRowGap;
}

void frmOptions::BuildProtectedFrame() {
    Frame1_ = NewFrame(this, 4920, 120, 4455, 8895, kFramePoints, false, kFrameFamily);
    Frame1_->setObjectName(QStringLiteral("Frame1"));
    Frame1_->setTitle(QStringLiteral("Protected Parameters"));
    Frame1_->setVisible(false);

    // The main interval line sits in the frame itself, above the groups.
    QWidget* topLine = new QWidget(Frame1_);
    PlaceTwips(topLine, kGroupLeft, 300, kGroupWidth, 600);
    AddProtectedRow(topLine, 0, "Main interval (% of  shell diameter):", "edtMainIntervalPercent");

    struct Group {
        const char* caption;
        int top;
        int bottom;
        std::vector<std::pair<const char*, const char*>> rows;
    };
    const Group groups[] = {
        {"Main Cycle Rates", 960, 2520,
         {{"First Line:", "edtMainRateFirstLine"},
          {"Second Line:", "edtMainRateSecondLine"},
          {"Standard Interval:", "edtMainRateStandardInterval"}}},
        {"Third Axis Elements", 2640, 4800,
         {{"Third axis wraps:", "edtThirdAxisWraps"},
          {"Third Axis Interval (% of shell diameter):", "edtThirdAxisIntervalPercent"},
          {"Third Axis cleanup %:", "edtThirdAxisCleanupPercent"},
          {"Pole Advance %:", "edtReqPoleAdvancePercent"}}},
        {"Third Axis Rates", 4920, 6480,
         {{"First Line:", "edtThirdAxisRateFirstLine"},
          {"Second Line:", "edtThirdAxisRateSecondLine"},
          {"Third Axis Cleanup:", "edtThirdAxisRateCleanup"}}},
        {"Special Global Parameters", 6600, 8775,
         {{"Micro steps/step:", nullptr},
          {"Start/Stop Rate:", "edtStartRate"},
          {"Ramp Rate:", "edtRampRate"},
          {"Distance Scale Factor:", "edtDistanceScaleFactor"}}},
    };
    for (const Group& g : groups) {
        QGroupBox* box = NewFrame(Frame1_, kGroupLeft, g.top, kGroupWidth, g.bottom - g.top, kFramePoints, false,
                                  kFrameFamily);
        box->setTitle(QString::fromLatin1(g.caption));
        int rowTop = 300;
        for (const auto& [caption, field] : g.rows) rowTop = AddProtectedRow(box, rowTop, caption, field);
    }

    for (const ProtectedCheck& check : kProtected) {
        Field field;
        field.edit = FieldNamed(check.field);
        field.real = check.real;
        field.integer = check.integer;
        field.checkName = check.checkName;
        field.tipId = check.tipId;
        fields_.push_back(field);
    }
}

QLineEdit* frmOptions::FieldNamed(const char* name) const {
    return findChild<QLineEdit*>(QString::fromLatin1(name));
}

bool frmOptions::ProtectedShown() const { return !Frame1_->isHidden(); }

void frmOptions::IntializeData() {
    app::Environment& env = ctx_.env;
    const app::ParameterSet& p = ctx_.params;
    ApplyResourceToControl(env, lblShellName_, 404, {},
                           " " + app::GetFileNameOf(app::TrimAtNul(p.CurrentShellFile)));
    for (const Field& field : fields_) {
        const QString value = field.real != nullptr
                                  ? QString::number(p.*field.real, 'g', QLocale::FloatingPointShortest)
                                  : QString::number(p.*field.integer);
        field.edit->setText(value);
    }
    lblMicroStepsPerStep_->setText(QString::number(p.cMSPS));
    // The unit and the allowed range, on the field and on its label.
    const QList<QLabel*> allLabels = findChildren<QLabel*>();
    for (const Field& field : fields_) {
        ApplyResourceToolTip(env, field.edit, field.tipId);
        for (QLabel* label : allLabels)
            if (label->buddy() == field.edit) ApplyResourceToolTip(env, label, field.tipId);
    }
    ApplyResourceToolTip(env, lblMicroStepsPerStep_, kMicroStepsTip);

    ApplyResourceToControl(env, this, 400, env.PortCaptionPrefix);
    ApplyResourceToControl(env, cmdApply_, 401);
    ApplyResourceToControl(env, cmdCancel_, 402);
    ApplyResourceToControl(env, cmdOK_, 403);
    for (text::ResourceId id = 405; id <= 414; ++id) {
        for (std::size_t i = 0; i < std::size(kEveryday); ++i)
            if (kEveryday[i].labelId == id) ApplyResourceToControl(env, labels_[i], id);
    }

    FitCaptionsTogether({labels_.begin(), labels_.end()});
    FitCaptionsTogether({cmdOK_, cmdCancel_, cmdApply_});

    if (p.idMMD == kServiceMode) {
        SetClientSizeTwips(this, 9495, 9135);
        Frame1_->setVisible(true);
    } else {
        SetClientSizeTwips(this, 4965, 5580);
        Frame1_->setVisible(false);
    }
    WidenForTitle(this, width());
    rejected_ = nullptr;
}

}  // namespace plyx::ui
