#pragma once
// The owner of an instance's status snapshot on the program's thread: told
// what happens (a run starts, moves on, pauses, ends; an error; a round trip
// on the link), it keeps the snapshot whole and hands a copy to the
// publisher, at once when the run's state changes and otherwise at most
// every kPublishEveryMs, so a run of many short moves costs one copy now
// and then, not one per move. Knows nothing of the engine.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "status/StatusPublisher.h"
#include "status/StatusSnapshot.h"

namespace plyx::status {

// The dictionary texts the feed shows (IDs of the program's dictionary).
namespace text_ids {
inline constexpr std::int32_t kRunning = 1280, kPaused = 1281, kStopping = 1282, kAborting = 1292;
inline constexpr std::int32_t kFeet = 1295, kMetres = 1296;
inline constexpr std::int32_t kFirstPageText = 1500;  // 1500-1522: the page's own words
inline constexpr std::int32_t kIdle = 1501;
}  // namespace text_ids

// What the feed asks of the program (all on the program's thread).
struct FeedSources {
    std::function<std::string(std::int32_t id)> text;                     // a dictionary text
    std::function<std::string(const std::string& outcome)> outcomeText;   // a record outcome in words
    std::function<std::string()> recordPath;                              // the production record's file
    std::function<bool(const std::string& path)> followLinks;             // may a link there be followed?
    std::function<std::int64_t()> nowMs;                                  // a steady clock
};

class StatusFeed {
public:
    static constexpr std::int64_t kPublishEveryMs = 200;
    static constexpr std::size_t kLastRuns = 10;

    StatusFeed(StatusPublisher& publisher, FeedSources sources);

    // ---- the instance ----
    void SetInstance(const std::string& port, const std::string& version);
    void SetModel(const std::string& model);
    // The shell file loaded (a run names its own when it starts).
    void SetShell(const std::string& shellFile);
    void SetMetres(bool metres);
    // The page's words again, in the language now loaded.
    void RefreshTexts();
    // The last runs again, from the production record.
    void ReadRecord();
    // The machine's counters, where they are kept.
    void SetCounters(std::optional<MachineCounters> counters);

    // ---- the run ----
    void RunStarted(bool burnish, const std::string& shellFile, std::int32_t layersPlanned, double tapePlannedInches,
                    std::uint64_t movesPlanned);
    void LayerQueued(std::int32_t layer);
    void MovesQueued(std::uint64_t moves);
    // Where the controller is: moves run, tape laid, its layer, time left.
    void Progress(std::uint64_t movesRun, double laidInches, std::int32_t layer, std::optional<double> secondsLeft);
    void Elapsed(std::int64_t seconds);
    void PhaseChanged(RunPhase phase);
    // The run's line is in the record: outcome as written there.
    void RunEnded(const std::string& outcome);

    // ---- since the start ----
    void BoardError(std::int32_t number, bool lostMoves);
    void RoundTrip(double seconds);
    void LogFailed();

    // Publishes what is pending now.
    void Flush();
    const StatusSnapshot& Current() const { return snap_; }

private:
    void StateText();
    void Changed(bool now);

    StatusPublisher& publisher_;
    FeedSources sources_;
    StatusSnapshot snap_;
    std::optional<std::string> lastOutcome_;
    double endedTapeInches_ = 0;  // tape of the runs that have ended
    bool pending_ = false;
    std::int64_t publishedAt_ = 0;
};

}  // namespace plyx::status
