#pragma once
// Where a run stood, kept on disk while it runs, so that a run the program
// never saw end (killed, the PC without power) is still known at the next
// start. One small file per port, <data>/<PerPortPrefix>run.journal,
// replaced whole (never torn) when a run starts and whenever the controller
// reaches a new layer; removed once the run's record line is written.
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "app/Environment.h"

namespace plyx::engine {

struct JournalEntry {
    std::time_t start = 0;
    std::time_t updated = 0;  // the last time the program knew the run was going
    std::string port;
    std::string model;
    std::string shellFile;
    bool burnish = false;
    std::int32_t layersPlanned = 0;
    std::int32_t layerReached = 0;  // by the controller, not by what was queued
    double tapePlannedInches = 0;
    double tapeLaidInches = 0;
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
