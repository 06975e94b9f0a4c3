#include "ui/frmSplash.h"

#include <QFrame>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <cmath>

#include "ui/Layout.h"
#include "ui/ResourceText.h"

namespace plyx::ui {

QPixmap MakeLogo(int width, int height, double pixelRatio) {
    // A shell on its pole with tape wound across it in crossing layers,
    // painted in device pixels so that it stays sharp on a scaled screen.
    const double ratio = pixelRatio > 0 ? pixelRatio : 1.0;
    QPixmap logo(static_cast<int>(std::ceil(std::max(width, 1) * ratio)),
                 static_cast<int>(std::ceil(std::max(height, 1) * ratio)));
    logo.setDevicePixelRatio(ratio);
    logo.fill(Qt::transparent);
    QPainter p(&logo);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF area(0, 0, width, height);
    QLinearGradient sky(area.topLeft(), area.bottomLeft());
    sky.setColorAt(0, QColor(32, 64, 112));
    sky.setColorAt(1, QColor(12, 24, 48));
    p.setBrush(sky);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(area.adjusted(1, 1, -1, -1), width * 0.08, width * 0.08);

    const double cx = width / 2.0;
    const double cy = height * 0.45;
    const double rx = width * 0.32;
    const double ry = height * 0.30;
    // The pole through the shell.
    p.setBrush(QColor(150, 150, 160));
    p.drawRect(QRectF(cx - width * 0.03, height * 0.06, width * 0.06, height * 0.82));
    // The shell.
    QRadialGradient body(QPointF(cx - rx * 0.35, cy - ry * 0.35), rx * 1.4);
    body.setColorAt(0, QColor(250, 236, 200));
    body.setColorAt(1, QColor(190, 150, 90));
    p.setBrush(body);
    p.drawEllipse(QPointF(cx, cy), rx, ry);
    // Tape in two crossing layers.
    QPainterPath shell;
    shell.addEllipse(QPointF(cx, cy), rx, ry);
    p.setClipPath(shell);
    for (int layer = 0; layer < 2; ++layer) {
        p.setPen(QPen(layer == 0 ? QColor(180, 40, 40, 200) : QColor(40, 90, 170, 200), width * 0.035));
        for (int i = -6; i <= 6; ++i) {
            const double x = cx + i * rx * 0.28;
            const double slant = (layer == 0 ? 1 : -1) * rx * 0.6;
            p.drawLine(QPointF(x - slant, cy - ry), QPointF(x + slant, cy + ry));
        }
    }
    p.setClipping(false);
    p.setPen(QPen(QColor(90, 60, 30), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(cx, cy), rx, ry);
    // The base the pole stands on.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 100, 120));
    p.drawRoundedRect(QRectF(width * 0.2, height * 0.86, width * 0.6, height * 0.07), 3, 3);
    return logo;
}

frmSplash::frmSplash(UiContext& ctx, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), ctx_(ctx) {
    setObjectName(QStringLiteral("frmSplash"));
    BuildControls();
    Form_Load();
}

frmSplash::~frmSplash() = default;

void frmSplash::BuildControls() {
    SetClientSizeTwips(this, 7455, 4710);
    fraMainFrame_ = new QFrame(this);
    fraMainFrame_->setObjectName(QStringLiteral("fraMainFrame"));
    fraMainFrame_->setFrameShape(QFrame::Box);
    PlaceTwips(fraMainFrame_, 0, 0, 7380, 4590);

    picLogo_ = new QLabel(fraMainFrame_);
    picLogo_->setObjectName(QStringLiteral("picLogo"));
    PlaceTwips(picLogo_, 240, 360, 2400, 3120);
    UpdateLogo();

    auto label = [this](const char* name, int l, int t, int w, int h, double pt, bool bold, bool wrap = false) {
        QLabel* made = NewLabel(fraMainFrame_, l, t, w, h, pt, bold, wrap);
        made->setObjectName(QString::fromLatin1(name));
        return made;
    };
    lblProductName_ = label("lblProductName", 2880, 1200, 4395, 735, 24, true);
    lblVersion_ = label("lblVersion", 2880, 2520, 4395, 375, 12, true);
    // The copyright line may take a second line (its "By" then leads on to
    // the company below) rather than get too small to read.
    lblCopyright_ = label("lblCopyright", 2880, 2880, 4395, 420, 8.25, false);
    lblCompany_ = label("lblCompany", 2880, 3315, 4395, 255, 8.25, false);
    lblScanning_ = label("lblScanning", 240, 3720, 3855, 735, 13.5, true, true);
    ApplyResourceToControl(ctx_.env, lblScanning_, 904);

    // Wide enough for the captions of other languages at a readable size.
    btnRetryOrAbort_ = NewButton(fraMainFrame_, 4200, 3720, 1335, 495, 8.25, false);
    btnRetryOrAbort_->setObjectName(QStringLiteral("btnRetryOrAbort"));
    connect(btnRetryOrAbort_, &QPushButton::clicked, this, &frmSplash::btnRetryOrAbort_Click);
    btnExit_ = NewButton(fraMainFrame_, 5700, 3720, 1335, 495, 8.25, false);
    btnExit_->setObjectName(QStringLiteral("btnExit"));
    connect(btnExit_, &QPushButton::clicked, this, &frmSplash::btnExit_Click);
}

void frmSplash::UpdateLogo() {
    const double ratio = devicePixelRatioF();
    if (picLogo_->pixmap().devicePixelRatio() == ratio && !picLogo_->pixmap().isNull()) return;
    picLogo_->setPixmap(MakeLogo(picLogo_->width(), picLogo_->height(), ratio));
}

void frmSplash::showEvent(QShowEvent* event) {
    UpdateLogo();
    QWidget::showEvent(event);
}

void frmSplash::Form_Load() {
    app::Environment& env = ctx_.env;
    const std::string version = std::to_string(env.VersionMajor) + "." + std::to_string(env.VersionMinor) + "." +
                                std::to_string(env.VersionRevision);
    ApplyResourceToControl(env, lblVersion_, 506, {}, " " + version);
    ApplyResourceToControl(env, lblProductName_, 505);
    ApplyResourceToControl(env, btnExit_, 500);
    ApplyResourceToControl(env, lblCompany_, 507);
    ApplyResourceToControl(env, lblCopyright_, 508);
    ApplyResourceToControl(env, btnRetryOrAbort_, idRetryOrAbort_ != 0 ? 502 : 501);
}

void frmSplash::SetRetryOrAbortCaption(std::int16_t idType) {
    idRetryOrAbort_ = idType;
    ApplyResourceToControl(ctx_.env, btnRetryOrAbort_, idType != 0 ? 502 : 501);
    repaint();
}

void frmSplash::SetScanningStatusMessage(const std::string& strMessage) {
    if (!strMessage.empty())
        ApplyResourceToControl(ctx_.env, lblScanning_, 503, {}, " " + strMessage);
    else
        ApplyResourceToControl(ctx_.env, lblScanning_, 504);
    repaint();
}

void frmSplash::btnRetryOrAbort_Click() {
    RunAction(ctx_.env, [this] { ctx_.engine.RetryOrAbortScan(); });
}

void frmSplash::btnExit_Click() {
    RunAction(ctx_.env, [this] {
        ctx_.engine.AbortRun();
        ctx_.env.ExitProgram(0);
    });
}

}  // namespace plyx::ui
