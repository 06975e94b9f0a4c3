#pragma once
// The first window: logo, program name, version, copyright and company, and
// a status line that follows the search for the controller, with Exit and
// Abort/Retry. It has no title bar text.
#include <QWidget>
#include <cstdint>

#include "app/search/PortSearch.h"
#include "ui/UiContext.h"

class QFrame;
class QLabel;
class QPushButton;

namespace plyx::ui {

class frmSplash final : public QWidget, public app::SplashView {
    Q_OBJECT
public:
    explicit frmSplash(UiContext& ctx, QWidget* parent = nullptr);
    ~frmSplash() override;

    // Applies the texts (version, product, buttons, company, copyright).
    void Form_Load();

    // idType not 0: the button offers "Retry"; 0: "Abort". Repaints.
    void SetRetryOrAbortCaption(std::int16_t idType);
    void SetRetryOrAbortCaption(bool fRetry) override { SetRetryOrAbortCaption(static_cast<std::int16_t>(fRetry ? 1 : 0)); }
    // "Testing" + " " + strMessage, or "FAILED TO FIND BOARD" when empty. Repaints.
    void SetScanningStatusMessage(const std::string& strMessage) override;

    void btnRetryOrAbort_Click();
    void btnExit_Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    // Paints the logo again when the screen's pixel ratio is not the one it has.
    void UpdateLogo();

    UiContext& ctx_;
    std::int16_t idRetryOrAbort_ = 0;
    QFrame* fraMainFrame_ = nullptr;
    QLabel* picLogo_ = nullptr;
    QLabel* lblProductName_ = nullptr;
    QLabel* lblVersion_ = nullptr;
    QLabel* lblCopyright_ = nullptr;
    QLabel* lblCompany_ = nullptr;
    QLabel* lblScanning_ = nullptr;
    QPushButton* btnRetryOrAbort_ = nullptr;
    QPushButton* btnExit_ = nullptr;
};

// The program's logo at the given size in pixels, drawn for a screen of
// pixelRatio device pixels to a pixel.
QPixmap MakeLogo(int width, int height, double pixelRatio);

}  // namespace plyx::ui
