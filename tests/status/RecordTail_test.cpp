#include "status/RecordTail.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/TempDir.h"

using namespace plyx::status;

namespace {

const char* kHeader =
    "start,end,port,model,shell_file,kind,layers_planned,layers_reached,tape_planned_ft,tape_laid_ft,"
    "duration_s,outcome,error_number,error_text\r\n";

std::string Line(int i, const std::string& outcome = "completed") {
    return "2026-12-07T10:00:" + std::to_string(10 + i % 50) + "+01:00,2026-12-07T10:02:36+01:00,COM3,Std,"
           "\"/shells/a,\"\"b\"\".cfg\",full,6," + std::to_string(i % 7) + ",126.2,63.1,156," + outcome + ",,\r\n";
}

}  // namespace

TEST(RecordTail, ListsTheLastRunsNewestFirst) {
    plyx::test::TempDir dir;
    dir.Write("C3.runs.csv", std::string(kHeader) + Line(1) + Line(2, "aborted from the panel (STOP)") +
                                 "2026-12-07T11:00:00+01:00,2026-12-07T11:00:09+01:00,COM3,Std,s.cfg,burnish,2,1,"
                                 "10.0,4.5,9,error,7,\"Error 7 / \"\"port\"\" gone\"\r\n");
    const std::vector<RecordedRun> runs = ReadRecordTail(dir.File("C3.runs.csv"), 2, true);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].outcome, "error");
    EXPECT_EQ(runs[0].errorNumber, "7");
    EXPECT_EQ(runs[0].kind, "burnish");
    EXPECT_EQ(runs[0].layersReached, 1);
    EXPECT_DOUBLE_EQ(runs[0].tapeLaidFeet, 4.5);
    EXPECT_EQ(runs[0].seconds, 9);
    EXPECT_EQ(runs[1].outcome, "aborted from the panel (STOP)");
    EXPECT_EQ(runs[1].shellFile, "/shells/a,\"b\".cfg");
    EXPECT_EQ(runs[1].layersReached, 2);
    EXPECT_EQ(ReadRecordTail(dir.File("C3.runs.csv"), 10, true).size(), 3u);
}

TEST(RecordTail, ALongRecordIsReadFromItsEndOnly) {
    plyx::test::TempDir dir;
    std::string text = kHeader;
    for (int i = 0; i < 5000; ++i) text += Line(i);
    text += Line(5000, "interrupted");
    dir.Write("C3.runs.csv", text);
    const std::vector<RecordedRun> runs = ReadRecordTail(dir.File("C3.runs.csv"), 3, true);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].outcome, "interrupted");
    EXPECT_EQ(runs[1].layersReached, 4999 % 7);
    EXPECT_EQ(runs[2].layersReached, 4998 % 7);
}

TEST(RecordTail, WhatIsNoRecordFileGivesNoRuns) {
    plyx::test::TempDir dir;
    dir.Write("real.csv", std::string(kHeader) + Line(1));
    ASSERT_EQ(::symlink(dir.File("real.csv").c_str(), dir.File("link.csv").c_str()), 0);
    ASSERT_EQ(::mkfifo(dir.File("fifo.csv").c_str(), 0600), 0);
    ASSERT_EQ(::mkdir(dir.File("folder.csv").c_str(), 0700), 0);
    EXPECT_EQ(ReadRecordTail(dir.File("link.csv"), 5, true).size(), 1u);
    EXPECT_TRUE(ReadRecordTail(dir.File("link.csv"), 5, false).empty());
    EXPECT_TRUE(ReadRecordTail(dir.File("fifo.csv"), 5, true).empty());  // and returns at once
    EXPECT_TRUE(ReadRecordTail(dir.File("folder.csv"), 5, true).empty());
    EXPECT_TRUE(ReadRecordTail(dir.File("missing.csv"), 5, true).empty());
    dir.Write("torn.csv", std::string(kHeader) + "2026-12-07T10:00:00+01:00,2026-12");
    EXPECT_TRUE(ReadRecordTail(dir.File("torn.csv"), 5, true).empty());
}
