#include "ui/frmResume.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <ctime>

#include "engine/DisplayText.h"
#include "engine/RunGeometry.h"
#include "platform/Clock.h"
#include "text/Resources.h"
#include "ui/ResourceText.h"
#include "ui/RunStateText.h"
#include "ui/frmPreview.h"

namespace plyx::ui {

namespace {

// The panel is polled as often as the main window polls it.
constexpr int kPanelPollMs = 250;

QLabel* NewTextLabel(QWidget* parent, const char* name, bool wrap = false) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(wrap);
    return label;
}

std::string LocalTimeText(std::time_t t) {
    const std::tm tm = platform::LocalTime(t);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

}  // namespace

frmResume::frmResume(UiContext& ctx, const engine::ResumeSituation& situation, QWidget* parent)
    : QDialog(parent), ctx_(ctx), s_(situation) {
    setObjectName(QStringLiteral("frmResume"));
    auto* grid = new QGridLayout;
    auto row = [&](QLabel*& caption, const char* captionName, QWidget* value) {
        caption = NewTextLabel(this, captionName);
        const int r = grid->rowCount();
        grid->addWidget(caption, r, 0, Qt::AlignTop);
        grid->addWidget(value, r, 1);
    };
    row(lblShellCaption_, "lblShellCaption", lblShell_ = NewTextLabel(this, "lblShell", true));
    row(lblKindCaption_, "lblKindCaption", lblKind_ = NewTextLabel(this, "lblKind"));
    row(lblEndedCaption_, "lblEndedCaption", lblEnded_ = NewTextLabel(this, "lblEnded", true));
    row(lblStoodCaption_, "lblStoodCaption", lblStood_ = NewTextLabel(this, "lblStood", true));
    cboLayer_ = new QComboBox(this);
    cboLayer_->setObjectName(QStringLiteral("cboLayer"));
    row(lblLayerCaption_, "lblLayerCaption", cboLayer_);
    grid->setColumnStretch(1, 1);

    lblHead_ = NewTextLabel(this, "lblHead", true);
    lblLayerStart_ = NewTextLabel(this, "lblLayerStart", true);
    lblPositioning_ = NewTextLabel(this, "lblPositioning", true);
    lblUntrusted_ = NewTextLabel(this, "lblUntrusted", true);
    lblUntrusted_->setStyleSheet(QStringLiteral("color: #b00000"));
    chkHeadAtStart_ = new QCheckBox(this);
    chkHeadAtStart_->setObjectName(QStringLiteral("chkHeadAtStart"));
    lblRefusal_ = NewTextLabel(this, "lblRefusal", true);
    lblRefusal_->setStyleSheet(QStringLiteral("color: #b00000"));
    drawing_ = new PlanDrawing(ctx.env, this);
    // The finishing file's layers under a heading of their own, as in the preview.
    drawing_->SetPlan(&s_.plan, s_.plan.finishingChained
                                    ? engine::RunGeometry::LayerCount(ctx.params, false) + 1
                                    : 0);
    lblHint_ = NewTextLabel(this, "lblHint", true);
    btnStart_ = new QPushButton(this);
    btnStart_->setObjectName(QStringLiteral("btnStart"));
    btnNotNow_ = new QPushButton(this);
    btnNotNow_->setObjectName(QStringLiteral("btnNotNow"));
    btnNotNow_->setDefault(true);  // Enter never starts the machine

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnStart_);
    buttons->addWidget(btnNotNow_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    for (QWidget* w : std::initializer_list<QWidget*>{lblHead_, lblLayerStart_, lblPositioning_, lblUntrusted_,
                                                      chkHeadAtStart_, lblRefusal_})
        layout->addWidget(w);
    layout->addWidget(drawing_, 1);
    layout->addWidget(lblHint_);
    layout->addLayout(buttons);

    // The choice: the layer the run stood in, or any earlier one.
    for (std::int32_t layer = 1; layer <= s_.DefaultLayer() && layer <= std::max(1, s_.Layers()); ++layer)
        cboLayer_->addItem(QString::number(layer), layer);
    cboLayer_->setCurrentIndex(cboLayer_->count() - 1);
    chkHeadAtStart_->setVisible(!s_.trusted);
    lblUntrusted_->setVisible(!s_.trusted);

    connect(cboLayer_, &QComboBox::currentIndexChanged, this, [this] { Refresh(); });
    connect(chkHeadAtStart_, &QCheckBox::toggled, this, [this] { Refresh(); });
    connect(btnStart_, &QPushButton::clicked, this, &frmResume::btnStart_Click);
    connect(btnNotNow_, &QPushButton::clicked, this, &frmResume::btnNotNow_Click);
    tmrPanel_ = new QTimer(this);
    tmrPanel_->setInterval(kPanelPollMs);
    connect(tmrPanel_, &QTimer::timeout, this, &frmResume::TimerEvent);
    tmrPanel_->start();
    resize(760, 720);
    ApplyTexts();
}

frmResume::~frmResume() {
    drawing_->SetPlan(nullptr);
}

std::int32_t frmResume::Layer() const { return cboLayer_->currentData().toInt(); }

bool frmResume::HeadConfirmed() const { return !s_.trusted && chkHeadAtStart_->isChecked(); }

void frmResume::ChooseLayer(std::int32_t layer) {
    const int index = cboLayer_->findData(layer);
    if (index >= 0) cboLayer_->setCurrentIndex(index);
}

void frmResume::ConfirmHeadAtStart(bool confirmed) { chkHeadAtStart_->setChecked(confirmed); }

std::string frmResume::Refusal() const { return s_.Refusal(ctx_.env, Layer(), HeadConfirmed()); }

void frmResume::ApplyTexts() {
    app::Environment& env = ctx_.env;
    const engine::JournalEntry& j = s_.journal;
    ApplyResourceToControl(env, this, 1421, env.PortCaptionPrefix);
    ApplyResourceToControl(env, lblShellCaption_, 1422);
    ApplyResourceToControl(env, lblKindCaption_, 1423);
    ApplyResourceToControl(env, lblEndedCaption_, 1426);
    ApplyResourceToControl(env, lblStoodCaption_, 1428);
    ApplyResourceToControl(env, lblLayerCaption_, 1430);
    ApplyResourceToControl(env, chkHeadAtStart_, 1437);
    ApplyResourceToControl(env, lblUntrusted_, 1436);
    ApplyResourceToControl(env, lblHint_, 1450);
    ApplyResourceToControl(env, btnStart_, 1442);
    ApplyResourceToControl(env, btnNotNow_, 1443);
    lblShell_->setText(ToQString(j.shellFile.empty() ? env.GetResourceText(713) : j.shellFile));
    lblKind_->setText(ToQString(env.GetResourceText(j.burnish ? 1425 : 1424)));
    std::string how = env.GetResourceText(OutcomeTextId(j.outcome));
    if (!j.error.empty()) how += ": " + j.error;
    lblEnded_->setText(ToQString(text::FillTexts(env.GetResourceText(1451), {how, LocalTimeText(j.updated)})));
    const bool metres = ctx_.params.fDSU != 0;
    const double length = metres ? j.tapeLaidInches / 39.37 : j.tapeLaidInches / 12.0;
    lblStood_->setText(ToQString(text::FillTexts(
        env.GetResourceText(1429), {std::to_string(j.layerReached), std::to_string(s_.Layers()),
                                    engine::TapeLengthText(length), env.GetResourceText(metres ? 1296 : 1295)})));
    const std::int32_t shellLayers = engine::RunGeometry::LayerCount(ctx_.params, j.burnish);
    for (int i = 0; i < cboLayer_->count(); ++i) {
        const std::int32_t layer = cboLayer_->itemData(i).toInt();
        QString item = QString::number(layer);
        if (s_.plan.finishingChained && layer > shellLayers) item += QLatin1Char(' ') + ToQString(env.GetResourceText(1431));
        cboLayer_->setItemText(i, item);
    }
    Refresh();
}

void frmResume::Refresh() {
    app::Environment& env = ctx_.env;
    const std::int32_t layer = Layer();
    const auto [startX, startY] = s_.StartOnBoard(layer);
    if (s_.reported)
        lblHead_->setText(ToQString(text::FillTexts(
            env.GetResourceText(1432), {std::to_string(s_.reported->first), std::to_string(s_.reported->second)})));
    else
        lblHead_->setText(ToQString(env.GetResourceText(1448)));
    const bool trusted = s_.trusted && s_.reported;
    if (trusted) {
        lblLayerStart_->setText(ToQString(text::FillTexts(
            env.GetResourceText(1433), {std::to_string(layer), std::to_string(startX), std::to_string(startY)})));
        lblPositioning_->setText(ToQString(text::FillTexts(
            env.GetResourceText(1434),
            {std::to_string(startX - s_.reported->first), std::to_string(startY - s_.reported->second)})));
    } else {
        lblLayerStart_->clear();
        lblPositioning_->setText(ToQString(env.GetResourceText(1435)));
    }
    lblLayerStart_->setVisible(trusted);
    // The drawing: steps from the plan's origin; the head where the board says.
    const engine::LayerStart start =
        layer >= 1 && layer <= s_.Layers() ? s_.starts[static_cast<std::size_t>(layer - 1)] : engine::LayerStart{};
    std::optional<QPointF> head;
    if (trusted)
        head = QPointF(static_cast<double>(s_.reported->first - s_.journal.originX),
                       static_cast<double>(s_.reported->second - s_.journal.originY));
    drawing_->SetResume(layer, head, QPointF(static_cast<double>(start.x), static_cast<double>(start.y)));
    const std::string why = Refusal();
    // The untrusted position has its own line above; other reasons are shown here.
    lblRefusal_->setText(why.empty() || (!s_.trusted && s_.changed.empty() && s_.journal.Resumable()) ? QString()
                                                                                                      : ToQString(why));
    lblRefusal_->setVisible(!lblRefusal_->text().isEmpty());
    btnStart_->setEnabled(why.empty());
    Lamps(why.empty());
}

void frmResume::Lamps(bool startLit) {
    // START is lit while it would start the resume.
    if (engine::Controller* ctl = ctx_.engine.CurrentController())
        RunAction(ctx_.env, [&] { ctl->SetLamps(startLit ? engine::kSwitchStart : 0); });
}

void frmResume::TimerEvent() {
    if (polling_ || !btnStart_->isEnabled() || ctx_.engine.CurrentController() == nullptr) return;
    polling_ = true;
    bool start = false;
    RunAction(ctx_.env, [&] {
        ctx_.engine.Globals().SwitchFlags = 0;
        start = (ctx_.engine.ReadSwitches() & engine::kSwitchStart) != 0;
    });
    polling_ = false;
    if (start) btnStart_Click();
}

void frmResume::btnStart_Click() {
    if (!Refusal().empty()) return;
    tmrPanel_->stop();
    accept();
}

void frmResume::btnNotNow_Click() {
    tmrPanel_->stop();
    Lamps(false);
    reject();
}

void frmResume::closeEvent(QCloseEvent* event) {
    tmrPanel_->stop();
    Lamps(false);
    QDialog::closeEvent(event);
}

}  // namespace plyx::ui
