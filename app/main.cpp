// plyx3: start-up of one instance. Until the windows exist it runs the
// start-up steps that need neither the board link nor a window, leaves its
// start-up log behind and ends.
#include <cstdio>
#include <string>

#include "app/Environment.h"
#include "app/ParameterSet.h"
#include "app/Startup.h"
#include "link/CommLog.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "text/Resources.h"

namespace {

// Messages on standard error; every question is answered OK, every file dialog cancelled.
class ConsoleDialogs final : public plyx::platform::Dialogs {
public:
    plyx::platform::MessageResult ShowMessage(const std::string& text, const std::string& title,
                                              plyx::platform::MessageButtons,
                                              plyx::platform::MessageIcon) override {
        std::fprintf(stderr, "%s\n%s\n", title.c_str(), text.c_str());
        return plyx::platform::MessageResult::Ok;
    }
    std::string GetOpenFileName(const plyx::platform::FileDialogRequest&) override { return {}; }
    std::string GetSaveFileName(const plyx::platform::FileDialogRequest&) override { return {}; }
};

}  // namespace

int main(int argc, char** argv) {
    using namespace plyx;
    platform::Clock& clock = platform::SystemClock();
    link::CommLog log(clock);
    text::TextTables tables;
    ConsoleDialogs dialogs;
    app::Environment env(log, dialogs, clock, tables);

    std::string exe = platform::ExecutablePath();
    if (exe.empty() && argc > 0) exe = argv[0];
    env.ExecutablePath = exe;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) env.CommandLine += ' ';
        env.CommandLine += argv[i];
    }

    app::ParameterSet params;
    try {
        app::Main(env, params, nullptr);
    } catch (const app::ProgramExit& e) {
        return e.code();
    }
    return 0;
}
