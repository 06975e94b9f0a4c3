#include "status/StatusFeed.h"

#include <gtest/gtest.h>

#include "tests/support/TempDir.h"

using namespace plyx::status;

namespace {

struct StatusFeedTest : ::testing::Test {
    StatusFeedTest() {
        sources.text = [this](std::int32_t id) { return language + std::to_string(id); };
        sources.outcomeText = [](const std::string& outcome) { return "O:" + outcome; };
        sources.recordPath = [this] { return dir.File("C3.runs.csv"); };
        sources.followLinks = [](const std::string&) { return false; };
        sources.nowMs = [this] { return now; };
    }
    std::shared_ptr<const StatusSnapshot> Shown() { return publisher.Current(); }

    plyx::test::TempDir dir;
    std::string language = "T";
    std::int64_t now = 1000;
    FeedSources sources;
    StatusPublisher publisher;
};

}  // namespace

TEST_F(StatusFeedTest, ThePageSpeaksTheLoadedLanguage) {
    StatusFeed feed(publisher, sources);
    feed.SetInstance("COM3", "1.0.0");
    const PageTexts& t = *Shown()->texts;
    EXPECT_EQ(t.title, "T1500");
    EXPECT_EQ(t.layer, "T1502");
    EXPECT_EQ(t.noAnswer, "T1519");
    EXPECT_EQ(t.hoursUnit, "T1522");
    EXPECT_EQ(t.unit, "T1295");
    EXPECT_EQ(Shown()->stateText, "T1501");
    feed.SetMetres(true);
    language = "G";
    feed.RefreshTexts();
    EXPECT_EQ(Shown()->texts->unit, "G1296");
    EXPECT_EQ(Shown()->texts->movesRun, "G1521");
    EXPECT_EQ(Shown()->stateText, "G1501");
}

TEST_F(StatusFeedTest, StateChangesShowAtOnceAndProgressAtItsPace) {
    StatusFeed feed(publisher, sources);
    feed.RunStarted(false, "/s/Shell.cfg", 6, 1500, 281);
    EXPECT_EQ(Shown()->phase, RunPhase::Running);
    EXPECT_EQ(Shown()->stateText, "T1280");
    EXPECT_EQ(Shown()->layersPlanned, 6);
    EXPECT_EQ(Shown()->movesPlanned, 281u);

    feed.MovesQueued(30);
    feed.Progress(10, 50, 1, 600.0);  // a new layer: at once
    EXPECT_EQ(Shown()->layerRunning, 1);
    EXPECT_DOUBLE_EQ(Shown()->totalTapeInches, 50);
    EXPECT_EQ(Shown()->movesQueued, 30u);
    now += 50;
    feed.Progress(12, 60, 1, 590.0);  // within the pace: waits
    feed.RoundTrip(0.0007);
    EXPECT_EQ(Shown()->movesRun, 10u);
    now += StatusFeed::kPublishEveryMs;
    feed.Elapsed(3);
    EXPECT_EQ(Shown()->movesRun, 12u);
    EXPECT_DOUBLE_EQ(Shown()->tapeLaidInches, 60);
    EXPECT_EQ(Shown()->linkRoundTrip.count, 1u);
    EXPECT_EQ(Shown()->elapsedSeconds, 3);

    const struct {
        RunPhase phase;
        const char* text;
    } phases[] = {{RunPhase::Paused, "T1281"}, {RunPhase::Running, "T1280"}, {RunPhase::Stopping, "T1282"},
                  {RunPhase::Aborting, "T1292"}};
    for (const auto& p : phases) {
        feed.PhaseChanged(p.phase);
        EXPECT_EQ(Shown()->phase, p.phase);
        EXPECT_EQ(Shown()->stateText, p.text);
    }
}

TEST_F(StatusFeedTest, AnEndedRunIsCountedAndTheRecordReadAgain) {
    StatusFeed feed(publisher, sources);
    feed.RunStarted(true, "/s/Shell.cfg", 2, 300, 40);
    feed.Progress(40, 290, 2, 0.0);
    dir.Write("C3.runs.csv",
              "start,end,port,model,shell_file,kind,layers_planned,layers_reached,tape_planned_ft,tape_laid_ft,"
              "duration_s,outcome,error_number,error_text\r\n"
              "2026-12-07T10:00:00+01:00,2026-12-07T10:00:40+01:00,COM3,Std,/s/Shell.cfg,burnish,2,2,25.0,24.2,40,"
              "aborted from the panel (STOP),,\r\n");
    feed.RunEnded("aborted from the panel (STOP)");
    feed.RunStarted(false, "/s/Shell.cfg", 6, 1500, 281);
    feed.Progress(5, 10, 1, 100.0);
    feed.BoardError(10, true);
    feed.RunEnded("error");
    const auto s = Shown();
    EXPECT_EQ(s->phase, RunPhase::Idle);
    EXPECT_EQ(s->stateText, "O:error");
    EXPECT_FALSE(s->secondsLeft.has_value());
    EXPECT_EQ(s->runsByOutcome.at("aborted from the panel (STOP)"), 1u);
    EXPECT_EQ(s->runsByOutcome.at("error"), 1u);
    EXPECT_DOUBLE_EQ(s->totalTapeInches, 300);
    EXPECT_EQ(s->boardErrors.at(10), 1u);
    EXPECT_EQ(s->lostMoveDetections, 1u);
    ASSERT_EQ(s->lastRuns.size(), 1u);
    EXPECT_EQ(s->lastRuns[0].outcomeText, "O:aborted from the panel (STOP)");
    EXPECT_DOUBLE_EQ(s->lastRuns[0].tapeLaidFeet, 24.2);
}
