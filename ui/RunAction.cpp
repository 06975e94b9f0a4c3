#include <exception>

#include "drivers/DriverNumbers.h"
#include "engine/plan/RunRecord.h"
#include "link/BoardLinkError.h"
#include "ui/UiContext.h"

namespace plyx::ui {

namespace {
void ReportAndEnd(app::Environment& env, std::int32_t number, const std::string& description) {
    // A run this error ends gets its line in the production record first:
    // nothing after the message box is sure to run.
    if (engine::RunRecord* record = engine::RunRecord::InProgress()) record->EndWithError(number, description);
    env.LogLine("Error " + std::to_string(number) + ": " + description);
    env.Dialogs().ShowMessage("Error " + std::to_string(number) + "\r\n" + description,
                              env.PortCaptionPrefix + env.ProgramName);
    env.ExitProgram(1);
}
}  // namespace

void RunAction(app::Environment& env, const std::function<void()>& action) {
    try {
        try {
            action();
        } catch (const link::BoardLinkError& error) {
            ReportAndEnd(env, error.SignedNumber(), error.Description());
        } catch (const app::ProgramExit&) {
            throw;
        } catch (const drivers::TypeMismatch& error) {
            // A board value that is no number, or too large: the classic
            // run-time error numbers operators and manuals know.
            ReportAndEnd(env, 13, error.what());
        } catch (const drivers::ArithmeticOverflow& error) {
            ReportAndEnd(env, 6, error.what());
        } catch (const std::exception& error) {
            ReportAndEnd(env, 0, error.what());
        }
    } catch (const app::ProgramExit&) {
        // ExitProgram came back: its hook has been told the program is over
        // and decides what happens next; the action goes no further.
    }
}

}  // namespace plyx::ui
