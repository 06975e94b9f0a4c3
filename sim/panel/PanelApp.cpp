#include "sim/panel/PanelApp.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <sys/resource.h>
#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "sim/panel/SimPanel.h"
#include "text/Resources.h"

namespace plyx::sim::panel {

namespace {
std::atomic<bool> g_quit{false};
constexpr int kPanelNice = 10;
}

std::string WhyNoDisplay() {
    auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v != nullptr && *v != '\0';
    };
    if (set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM")) return "";
    return "--panel needs a display (DISPLAY, or QT_QPA_PLATFORM=offscreen)";
}

void RequestQuit() { g_quit = true; }

int RunPanel(Simulator& sim, const std::string& boardName, int& argc, char** argv) {
    // The window gives way to the board's thread: on a busy machine a late
    // repaint costs nothing, a late reply byte slows the line. The window
    // system's own threads, started below, inherit this.
    if (::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kPanelNice) != 0)
        std::perror("boardsim: panel priority");
    QApplication app(argc, argv);
    text::TextTables texts;
    text::LoadInternalDictionary(texts, "PLYX3");
    SimPanel panel(sim, texts, boardName);
    // At the right edge of the screen, beside the program's windows, which
    // open at the left.
    panel.adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect free = screen->availableGeometry();
        panel.move(std::max(free.left(), free.right() + 1 - panel.frameGeometry().width()), free.top());
    }
    panel.show();
    // The control loop runs on another thread; it asks for the end through
    // a flag that this thread looks at, not by touching the window system.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &app, [&app] {
        if (g_quit.load()) app.quit();
    });
    watch.start(100);
    return g_quit.load() ? 0 : app.exec();
}

}  // namespace plyx::sim::panel
