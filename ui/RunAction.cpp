#include <cstdio>
#include <exception>

#include "drivers/DriverNumbers.h"
#include "engine/LostMovesError.h"
#include "engine/plan/RunRecord.h"
#include "link/BoardLinkError.h"
#include "ui/ErrorReport.h"
#include "ui/UiContext.h"

namespace plyx::ui {

namespace {
// Actions running now; the waits of a run let further actions run inside one.
int actionDepth = 0;

// While the last message shows, the program is ending: no other action may
// start (ExitProgram returns only to tests, which go on afterwards).
struct Ending {
    app::Environment& env;
    explicit Ending(app::Environment& e) : env(e) { env.Ending = true; }
    ~Ending() { env.Ending = false; }
};

void ReportAndEnd(app::Environment& env, ErrorKind kind, std::int32_t smallNumber, std::int32_t number,
                  const std::string& description, const LostMoves& lostMoves = {}) {
    Ending ending(env);
    env.LogLine("Error " + std::to_string(number) + ": " + description);
    // The machine first: the message below waits for a person who may not
    // be there, while the controller would run on through its queue. Then
    // the run's line in the production record: nothing after the message
    // box is sure to run.
    const std::string machine = env.EndRunAfterError ? env.EndRunAfterError(number, description) : std::string();
    // Plain words for the operator; the exact message for service, folded away.
    env.Dialogs().ShowDetailedMessage(PlainErrorText(env, kind, smallNumber, machine, lostMoves),
                                      "Error " + std::to_string(number) + "\r\n" + description,
                                      env.PortCaptionPrefix + env.ProgramName);
    env.ExitProgram(1);
}

void ReportLogFailureAndEnd(app::Environment& env) {
    Ending ending(env);
    const std::string message = env.LogFailureMessage();
    // The log cannot keep this one: standard error does.
    std::fprintf(stderr, "%s: %s\n", env.ProgramName.c_str(), message.c_str());
    env.Dialogs().ShowMessage(message, env.PortCaptionPrefix + env.ProgramName);
    env.ExitProgram(1);
}
}  // namespace

void RunAction(app::Environment& env, const std::function<void()>& action) {
    if (env.Ending) return;
    struct Depth {
        Depth() { ++actionDepth; }
        ~Depth() { --actionDepth; }
    } depth;
    try {
        try {
            action();
            // A log that failed inside a run has already ended the run (its
            // waits abort); the outermost action reports it once the
            // controller is stopped and reset.
            if (actionDepth == 1 && env.LogFailed()) ReportLogFailureAndEnd(env);
        } catch (const link::BoardLinkError& error) {
            LostMoves lost;
            if (const auto* lostMoves = dynamic_cast<const engine::LostMovesError*>(&error))
                lost = {lostMoves->Lost(), lostMoves->Layer()};
            ReportAndEnd(env, ErrorKind::BoardLink, error.SmallNumber(), error.SignedNumber(), error.Description(),
                         lost);
        } catch (const app::ProgramExit&) {
            throw;
        } catch (const app::LogWriteError&) {
            ReportLogFailureAndEnd(env);
        } catch (const drivers::TypeMismatch& error) {
            // A board value that is no number, or too large: the classic
            // run-time error numbers operators and manuals know.
            ReportAndEnd(env, ErrorKind::TypeMismatch, 13, 13, error.what());
        } catch (const drivers::ArithmeticOverflow& error) {
            ReportAndEnd(env, ErrorKind::Overflow, 6, 6, error.what());
        } catch (const std::exception& error) {
            ReportAndEnd(env, ErrorKind::Other, 0, 0, error.what());
        }
    } catch (const app::ProgramExit&) {
        // ExitProgram came back: its hook has been told the program is over
        // and decides what happens next; the action goes no further.
    }
}

}  // namespace plyx::ui
