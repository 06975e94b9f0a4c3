// The tape left on the roll against the tape a run needs: the operator is
// asked before a run that would empty the roll half way.
#include "engine/DisplayText.h"
#include "engine/machine/MachineKeeper.h"
#include "text/TextIds.h"

namespace plyx::engine {

namespace {
constexpr text::ResourceId kTextFeet = 1295;
constexpr text::ResourceId kTextMetres = 1296;
}  // namespace

std::string TapeText(const app::Environment& env, double inches, bool metres) {
    return TapeLengthText(metres ? inches / 39.37 : inches / 12.0) + " " +
           env.GetResourceText(metres ? kTextMetres : kTextFeet);
}

bool MachineKeeper::ConfirmRoll(const RunPlan& plan) {
    const MachineCounters now = Counters();
    if (!now.rollTracked || !(plan.tapeInches > now.rollInches)) return true;
    // A plan cut short (a very long run) knows only that it needs more.
    const std::string more = plan.cutShort ? "> " : "";
    const bool metres = params_.fDSU != 0;
    const std::string needs = more + TapeText(env_, plan.tapeInches, metres);
    const std::string left = TapeText(env_, now.rollInches, metres);
    env_.LogLine("The run needs " + more + TapeText(env_, plan.tapeInches, false) + " of tape, the roll has " +
                 TapeText(env_, now.rollInches, false) + " left -- asking the operator");
    const platform::MessageResult answer = env_.Dialogs().ShowMessage(
        text::FillTexts(env_.GetResourceText(text::kTextRollTooShort), {needs, left}), env_.PortCaptionPrefix + env_.ProgramName,
        platform::MessageButtons::OkCancel, platform::MessageIcon::Warning);
    if (answer == platform::MessageResult::Ok) return true;
    env_.LogLine("Run not started: the roll has too little tape left");
    return false;
}

}  // namespace plyx::engine
