#pragma once
// A snapshot in the middle of a run, with texts that must be escaped
// everywhere they go (quotes, backslash, line feed, markup, a Latin-1 byte).
#include "status/StatusSnapshot.h"

namespace plyx::status::test {

inline StatusSnapshot SampleSnapshot() {
    StatusSnapshot s;
    s.port = "COM3";
    s.version = "1.0.0";
    s.model = "Mod\"el\\A\nB";
    auto texts = std::make_shared<PageTexts>();
    texts->layer = "Lage <b>";
    texts->unit = "ft";
    s.texts = texts;
    s.phase = RunPhase::Running;
    s.stateText = "L\xE4uft </script><script>alert(1)</script>";
    s.runKnown = true;
    s.shellFile = "/data/shells/Shell \"8in\"<i>.cfg";
    s.layerQueued = 4;
    s.layerRunning = 3;
    s.layersPlanned = 6;
    s.tapeLaidInches = 600;
    s.tapePlannedInches = 1500;
    s.secondsLeft = 3725;
    s.elapsedSeconds = 90;
    s.movesPlanned = 281;
    s.movesQueued = 150;
    s.movesRun = 120;
    s.runsByOutcome = {{"completed", 2}, {"error", 1}};
    s.totalTapeInches = 3000;
    s.boardErrors = {{1, 2}, {7, 1}};
    s.lostMoveDetections = 1;
    for (double t : {0.0003, 0.0004, 0.0009, 0.003, 0.02, 2.0}) s.linkRoundTrip.Observe(t);
    s.logFailures = 1;
    RecordedRun r;
    r.start = "2026-12-07T10:00:00+01:00";
    r.end = "2026-12-07T10:02:36+01:00";
    r.shellFile = "/data/shells/a<b>.cfg";
    r.kind = "full";
    r.layersPlanned = 6;
    r.layersReached = 6;
    r.tapePlannedFeet = 126.2;
    r.tapeLaidFeet = 126.2;
    r.seconds = 156;
    r.outcome = "completed";
    r.outcomeText = "Completed";
    s.lastRuns = {r};
    return s;
}

}  // namespace plyx::status::test
