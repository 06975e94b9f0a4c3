#include "engine/machine/MachineKeeper.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <sys/stat.h>

#include "engine/DisplayText.h"
#include "engine/machine/RecordLines.h"
#include "platform/Clock.h"
#include "platform/Files.h"

namespace plyx::engine {

namespace {
// Far beyond any counters file: a bigger one is not one.
constexpr std::size_t kMaxFileBytes = 64 * 1024;
}  // namespace

MachineKeeper::MachineKeeper(app::Environment& env, app::ParameterSet& params, RunEngine& engine, RunFollowers& runs)
    : env_(env), params_(params), events_(engine.Events()), progress_(runs.progress), record_(runs.record) {
    events_.Subscribe(this);
}

MachineKeeper::~MachineKeeper() { events_.Unsubscribe(this); }

std::string MachineKeeper::FilePath() { return env_.GetDataDirectory() + "/" + env_.PerPortPrefix + "machine"; }

void MachineKeeper::Load() {
    const std::string path = FilePath();
    if (path == loadedPath_) return;
    loadedPath_ = path;
    file_ = {};
    if (!platform::FileExists(path) && !platform::IsSymlink(path)) return;
    const std::optional<std::string> text = platform::ReadOwnFile(path, kMaxFileBytes);
    std::optional<MachineFile> read = text ? ParseMachine(*text) : std::nullopt;
    if (!read) {
        // Kept for a person to look at; the counters start again.
        const std::string aside = path + ".unreadable";
        std::rename(path.c_str(), aside.c_str());
        env_.LogLine("Machine counters " + path + " are unreadable -- kept as " + aside + ", counting from 0");
        return;
    }
    file_ = *read;
    Settle(false);
}

bool MachineKeeper::Write() {
    std::string why;
    if (platform::WriteOwnFile(loadedPath_, MachineText(file_), &why)) return true;
    // The run goes on; the counters on disk stay as they were.
    env_.LogLine("Machine counters not written: " + why);
    return false;
}

void MachineKeeper::Settle(bool lastChance) {
    const OpenRun open = file_.open;
    if (open.start == 0) return;
    const std::optional<RecordedRun> line = FindRecordedRun(record_.FilePath(), IsoTime(open.start));
    if (line) {
        CountRun(file_.done, line->outcome, line->seconds, line->tapeInches, line->errorNumber);
        env_.LogLine("Machine counters: the run started " + IsoTime(open.start) + " counted from the production record (" +
                     line->outcome + ")");
    } else if (lastChance) {
        // The record has no line for it (its journal was lost): neither do
        // the counters, but the roll keeps what the run took from it.
        file_.done.rollInches = WithOpenRun(file_.done, open).rollInches;
        env_.LogLine("Machine counters: the run started " + IsoTime(open.start) +
                     " has no line in the production record -- left out");
    } else {
        return;
    }
    file_.open = {};
    Write();
}

OpenRun MachineKeeper::LiveRun() const {
    if (!running_) return file_.open;
    const std::int64_t seconds = env_.Clock().WallTime() - progress_.StartTime();
    return {progress_.StartTime(), std::max<std::int64_t>(0, seconds), progress_.LaidInches()};
}

MachineCounters MachineKeeper::Counters() {
    Load();
    // An earlier program's run whose line the record may have got since
    // (start-up records a killed run once the port is this program's).
    if (!running_ && file_.open.start != 0) {
        struct stat st {};
        const std::string record = record_.FilePath();
        const std::int64_t size = ::stat(record.c_str(), &st) == 0 ? st.st_size : -1;
        if (size != recordSizeTried_) {
            recordSizeTried_ = size;
            Settle(false);
        }
    }
    return WithOpenRun(file_.done, LiveRun());
}

bool MachineKeeper::SetRoll(double inches) {
    Load();
    const bool track = std::isfinite(inches) && inches > 0;
    env_.LogLine(track ? "Tape roll set to " + TapeText(env_, inches, false) + " left" : std::string("Tape roll not tracked"));
    file_.done.rollTracked = track;
    // What is left now: the open run's tape so far is already off the roll.
    file_.done.rollInches = track ? inches + LiveRun().tapeInches : 0;
    const bool written = Write();
    if (OnChange) OnChange();
    return written;
}

bool MachineKeeper::ResetService() {
    Load();
    const MachineCounters now = Counters();
    env_.LogLine("Maintenance counter reset at " + ElapsedTimeText(now.serviceSeconds) + ", " +
                 TapeText(env_, now.serviceTapeInches, false) + " since the last service");
    file_.done.serviceSeconds = 0;
    file_.done.serviceTapeInches = 0;
    file_.done.serviceResetAt = env_.Clock().WallTime();
    const bool written = Write();
    const bool recorded = record_.RecordService(kServiceOutcome);
    if (OnChange) OnChange();
    return recorded && written;
}

void MachineKeeper::RunStarted(bool) {
    Load();
    // An earlier program's run has its record line by now, or never will.
    Settle(true);
    running_ = true;
    file_.open = LiveRun();
    Write();
}

void MachineKeeper::LayerStarted(std::int32_t) {
    if (!running_) return;
    file_.open = LiveRun();
    Write();
}

void MachineKeeper::RunEnded(RunEnd) { EndRun(0); }

void MachineKeeper::RunFailed(std::int32_t number, const std::string&) { EndRun(number); }

void MachineKeeper::EndRun(std::int32_t errorNumber) {
    if (!running_) return;
    const OpenRun run = LiveRun();
    running_ = false;
    // The record, heard first, has the run's line: the counters add up to it.
    if (const std::optional<RunSummary>& last = record_.LastRun())
        CountRun(file_.done, last->outcome, last->seconds, last->laidInches, errorNumber);
    else
        CountRun(file_.done, errorNumber != 0 ? "error" : "aborted", run.seconds, run.tapeInches, errorNumber);
    file_.open = {};
    Write();
}

}  // namespace plyx::engine
