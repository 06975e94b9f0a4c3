#pragma once
// Where a run stood, kept on disk while it runs, so that a run the program
// never saw end (killed, the PC without power) is still known at the next
// start, and a run that ended short can be resumed from a layer. One small
// file per port, <data>/<PerPortPrefix>run.journal, replaced whole (never
// torn) when a run starts, at each layer the controller begins, at a live
// change of the layer increase and when the run ends.
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/RunTrack.h"

#include "app/Environment.h"

namespace plyx::engine {

struct JournalEntry {
    std::time_t start = 0;
    std::time_t updated = 0;  // the last time the program knew the run was going (or its end)
    std::string port;
    std::string model;
    std::string shellFile;
    std::string finishingFile;  // the finishing file the run chains on ("" when none)
    bool burnish = false;
    // How the run ended, as its record line says it; "" while it runs (or
    // when the program never saw its end).
    std::string outcome;
    std::string error;              // an error that ended it: its number and text, on one line
    bool recorded = false;          // the production record has its line
    std::int32_t resumedFrom = 0;   // the layer this run resumed a stopped one from (0: none)
    std::int32_t layersPlanned = 0;
    std::int32_t layerReached = 0;  // by the controller, not by what was queued
    std::int64_t movesRun = 0;      // plan moves the controller has run (from the plan's first)
    double tapePlannedInches = 0;
    double tapeLaidInches = 0;
    std::int32_t capacity = 0;      // the controller's queue places
    bool positionKnown = false;     // the board reported its position at the start
    std::int64_t startX = 0, startY = 0;    // the board's position at this run's start
    std::int64_t originX = 0, originY = 0;  // the board's position of the plan's 0/0
    std::vector<ScaleChange> scaleChanges;
    // The run's parameters (key, value as a parameter line has it) and the
    // finishing file's parameter lines as they were read.
    std::vector<std::pair<std::string, std::string>> parameters;
    std::vector<std::string> finishingLines;

    bool Completed() const { return outcome == "completed"; }
    // Enough is known to go on from a layer.
    bool Resumable() const { return !Completed() && !parameters.empty() && layersPlanned > 0; }
};

// The journal's text; Parse gives nullopt for anything that is not one
// (the file is read back after a crash, and may have been edited by anyone).
std::string JournalText(const JournalEntry& entry);
std::optional<JournalEntry> ParseJournal(const std::string& text);

// <data directory>/<PerPortPrefix>run.journal
std::string JournalPath(app::Environment& env);

class RunJournal {
public:
    explicit RunJournal(std::string path) : path_(std::move(path)) {}
    // Replaces the journal atomically; false with why on failure.
    bool Write(const JournalEntry& entry, std::string* why = nullptr) const;
    // The journal left on disk, if any (nullopt also for an unreadable one).
    std::optional<JournalEntry> Read() const;
    void Remove() const;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

}  // namespace plyx::engine
