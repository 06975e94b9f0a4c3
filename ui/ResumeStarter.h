#pragma once
// Going on with a stopped run from the windows, the command line and the
// panel: the stopped run of this port, looked at with the board's position
// now; the resumed run started; RESUME=L armed so that START runs it.
#include <cstdint>
#include <optional>
#include <string>

#include "engine/plan/Resume.h"
#include "engine/plan/RunFollowers.h"
#include "ui/UiContext.h"

namespace plyx::ui {

class ResumeStarter {
public:
    ResumeStarter(UiContext& ctx, engine::RunFollowers& runs) : ctx_(ctx), runs_(runs) {}

    // The run of this port that ended short and can be offered (nothing when
    // the journal holds a completed run, none, or one too old to go on from).
    std::optional<engine::JournalEntry> StoppedRun() const;
    // The stopped run as it stands now: the board is asked where the head is
    // (nothing moves).
    engine::ResumeSituation Assess(const engine::JournalEntry& journal);
    // Runs the resumed run from layer (returns when it has ended).
    void Start(const engine::ResumeSituation& situation, std::int32_t layer, bool headConfirmed);

    // RESUME=L from the command line: "" when the resume is armed, else why
    // not (also logged); nothing moves either way.
    std::string Arm(std::int32_t layer, const std::string& value);
    std::int32_t ArmedLayer() const { return armed_ ? armedLayer_ : 0; }
    // START on the panel: runs the armed resume while the journal still
    // holds its run; false when there is none to run (a full run then starts).
    bool StartArmed();

private:
    UiContext& ctx_;
    engine::RunFollowers& runs_;
    std::optional<engine::ResumeSituation> armed_;
    std::int32_t armedLayer_ = 0;
};

}  // namespace plyx::ui
