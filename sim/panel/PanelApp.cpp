#include "sim/panel/PanelApp.h"

#include <QApplication>
#include <QTimer>
#include <atomic>
#include <cstdlib>

#include "sim/panel/SimPanel.h"
#include "text/Resources.h"

namespace plyx::sim::panel {

namespace {
std::atomic<bool> g_quit{false};
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
    QApplication app(argc, argv);
    text::TextTables texts;
    text::LoadInternalDictionary(texts, "PLYX3");
    SimPanel panel(sim, texts, boardName);
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
