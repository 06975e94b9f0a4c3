// Screenshots of the five windows for a person to look at: each window is
// put into a typical state and grabbed to a PNG file.
//
//   ui_screenshots <output folder> [language file] [ids]
//
// Run it under a virtual X server, at 96 and at 144 dpi, for example
//   xvfb-run -a ui_screenshots shots/96
//   QT_FONT_DPI=144 xvfb-run -a ui_screenshots shots/144 examples/languages/greek.lng
// "ids" shows every text with its resource ID.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <cstdio>
#include <string>

#include "tests/ui/UiFixture.h"
#include "text/Resources.h"
#include "ui/Application.h"
#include "ui/frmMain.h"
#include "ui/frmOptions.h"
#include "ui/frmRunStatus.h"
#include "ui/frmSplash.h"
#include "ui/frmSwitchStatus.h"

namespace {

bool Save(QWidget& window, const QString& folder, const char* name) {
    window.show();
    QApplication::processEvents();
    const QString path = folder + QLatin1Char('/') + QString::fromLatin1(name) + QStringLiteral(".png");
    const bool ok = window.grab().save(path);
    std::printf("%s %s (%dx%d)\n", ok ? "wrote" : "FAILED", path.toLocal8Bit().constData(), window.width(),
                window.height());
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output folder> [language file] [ids]\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);

    using namespace plyx;
    ui::test::UiWorld w;
    for (int i = 2; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "ids") {
            w.tables.ShowResourceIDs = true;
        } else if (text::LoadSelectedResourceFile(w.env, arg) != 0) {
            std::fprintf(stderr, "language file %s did not load\n", argv[i]);
            return 1;
        }
    }
    w.params.strModel = "M200";
    w.params.zSD = 7.5;
    w.params.CurrentShellFile = w.DataDirectory() + "/demo shell 7-5.cfg";
    w.params.idMMD = ui::frmOptions::kServiceMode;

    ui::Application app(w.ctx);
    bool ok = true;

    ui::frmSplash& splash = app.ShowSplash();
    splash.SetScanningStatusMessage("COM12");
    ok &= Save(splash, folder, "frmSplash");
    splash.SetScanningStatusMessage("");
    splash.SetRetryOrAbortCaption(true);
    ok &= Save(splash, folder, "frmSplash-failed");
    app.CloseSplashWindow();

    ui::frmMain& main = app.LoadMainWindow();
    ok &= Save(main, folder, "frmMain");

    {
        ui::frmOptions options(w.ctx, &main);
        options.IntializeData();
        ok &= Save(options, folder, "frmOptions");
        w.params.idMMD = 0;
        options.IntializeData();
        ok &= Save(options, folder, "frmOptions-everyday");
    }

    ui::frmRunStatus& status = app.RunStatus();
    status.LoadLabels();
    status.SetShellNameCaption("demo shell 7-5.cfg");
    status.SetElapsedTimeText("1:02:05");
    status.SetStepTotalText("1,234.5");
    status.SetLayerTotalText("3");
    status.SetButtonCaptionToRestart();
    ok &= Save(status, folder, "frmRunStatus");
    status.SetShellNameCaption("");
    status.SetButtonAbortCaptionToLoadNewShell();
    status.SetPauseOrRestartEnabled(false);
    status.SetButtonCaptionToPause();
    ok &= Save(status, folder, "frmRunStatus-ended");

    ui::frmSwitchStatus& switches = app.SwitchStatus();
    switches.LoadLabels();
    for (std::int16_t bit : {engine::kSwitchStart, engine::kSwitchBurnish, engine::kSwitchAbort}) {
        switches.ClearLabel(bit);
        switches.PaintLabel(bit, 128, 255, 128);
    }
    for (std::int16_t bit : {engine::kSwitchPause, engine::kSwitchStop}) switches.PaintLabel(bit, 255, 128, 128);
    ok &= Save(switches, folder, "frmSwitchStatus");
    return ok ? 0 : 1;
}
