#include "status/Metrics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "ExpositionCheck.h"
#include "SampleSnapshot.h"
#include "status/TextEscape.h"

using namespace plyx::status;
using namespace plyx::status::test;

namespace {

const Series* Find(const std::vector<Series>& all, const std::string& name,
                   const std::map<std::string, std::string>& labels = {}) {
    for (const Series& s : all) {
        if (s.name != name) continue;
        bool match = true;
        for (const auto& [k, v] : labels) match = match && s.labels.count(k) && s.labels.at(k) == v;
        if (match) return &s;
    }
    return nullptr;
}

}  // namespace

// The checker must see each broken rule, or a clean result means nothing.
TEST(Exposition, TheCheckerFindsEachBrokenRule) {
    const std::string ok = "# HELP a_total A.\n# TYPE a_total counter\na_total{port=\"COM3\"} 1\n";
    EXPECT_TRUE(ExpositionProblems(ok).empty());
    const char* broken[] = {
        "# TYPE a gauge\na 1\n",                                            // no HELP
        "# HELP a A.\na 1\n",                                               // no TYPE
        "# HELP 1a A.\n# TYPE 1a gauge\n1a 1\n",                            // bad name
        "# HELP a A.\n# TYPE a gauge\na{p=\"x\\t\"} 1\n",                   // bad escape
        "# HELP a A.\n# TYPE a gauge\na{p=\"x\"} 1\na{p=\"x\"} 2\n",        // series twice
        "# HELP a A.\n# TYPE a gauge\na{__p=\"x\"} 1\n",                    // reserved label name
        "# HELP a A.\n# TYPE a gauge\na{p=\"x\",p=\"y\"} 1\n",              // label twice
        "# HELP a A.\n# TYPE a gauge\na one\n",                             // value
        "# HELP a A.\n# TYPE a counter\na 1\n",                             // counter without _total
        "# HELP a A.\n# TYPE a gauge\n# HELP b B.\n# TYPE b gauge\na 1\nb 1\na{x=\"1\"} 1\n",  // split family
        "# HELP h H.\n# TYPE h histogram\nh_bucket{le=\"1\"} 2\nh_bucket{le=\"2\"} 1\nh_bucket{le=\"+Inf\"} 2\nh_sum 1\nh_count 2\n",
        "# HELP h H.\n# TYPE h histogram\nh_bucket{le=\"1\"} 2\nh_sum 1\nh_count 2\n",  // no +Inf
        "# HELP h H.\n# TYPE h histogram\nh_bucket{le=\"+Inf\"} 3\nh_sum 1\nh_count 2\n",  // +Inf != count
        "# HELP a A.\n# TYPE a gauge\na{p=\"\xE4\"} 1\n",                   // not UTF-8
        "# HELP a A.\n# TYPE a gauge\na 1",                                 // no final line end
    };
    for (const char* text : broken) EXPECT_FALSE(ExpositionProblems(text).empty()) << text;
}

TEST(Exposition, TheMetricsFollowTheFormatAndSayWhatTheSnapshotSays) {
    const StatusSnapshot snap = SampleSnapshot();
    const std::string text = MetricsText(snap);
    std::vector<Series> all;
    const std::vector<std::string> problems = ExpositionProblems(text, &all);
    for (const std::string& p : problems) ADD_FAILURE() << p;
    for (const Series& s : all) EXPECT_EQ(s.labels.count("port") ? s.labels.at("port") : "", "COM3") << s.name;

    struct Expect {
        const char* name;
        std::map<std::string, std::string> labels;
        double value;
    };
    const Expect expected[] = {
        {"plyx3_info", {{"model", "Mod\"el\\A\nB"}}, 1},
        {"plyx3_run_state", {{"state", "running"}}, 1},
        {"plyx3_run_state", {{"state", "idle"}}, 0},
        {"plyx3_layer_queued", {}, 4},
        {"plyx3_layer_running", {}, 3},
        {"plyx3_layers_planned", {}, 6},
        {"plyx3_tape_laid_meters", {}, 600 * 0.0254},
        {"plyx3_tape_planned_meters", {}, 1500 * 0.0254},
        {"plyx3_time_left_seconds", {}, 3725},
        {"plyx3_run_moves_queued", {}, 150},
        {"plyx3_run_moves_run", {}, 120},
        {"plyx3_runs_total", {{"outcome", "completed"}}, 2},
        {"plyx3_runs_total", {{"outcome", "aborted from the panel (STOP)"}}, 0},
        {"plyx3_tape_meters_total", {}, 3000 * 0.0254},
        {"plyx3_board_errors_total", {{"number", "7"}}, 1},
        {"plyx3_lost_moves_detections_total", {}, 1},
        {"plyx3_log_failures_total", {}, 1},
        {"plyx3_link_round_trip_seconds_bucket", {{"le", "0.0005"}}, 2},
        {"plyx3_link_round_trip_seconds_bucket", {{"le", "0.001"}}, 3},
        {"plyx3_link_round_trip_seconds_bucket", {{"le", "1.024"}}, 5},
        {"plyx3_link_round_trip_seconds_bucket", {{"le", "+Inf"}}, 6},
        {"plyx3_link_round_trip_seconds_count", {}, 6},
    };
    for (const Expect& e : expected) {
        const Series* s = Find(all, e.name, e.labels);
        ASSERT_NE(s, nullptr) << e.name;
        EXPECT_DOUBLE_EQ(s->value, e.value) << e.name;
    }
    EXPECT_NEAR(Find(all, "plyx3_link_round_trip_seconds_sum")->value, 2.0246, 1e-9);
    // No machine counters kept: none of their series.
    EXPECT_EQ(text.find("plyx3_machine_"), std::string::npos);
}

TEST(Exposition, MachineCountersAppearWhereTheyAreKnown) {
    StatusSnapshot snap = SampleSnapshot();
    MachineCounters c;
    c.runHours = 2.5;
    c.rollFeetLeft = 100;
    c.runsByOutcome = {{"completed", 40}};
    snap.counters = c;
    std::vector<Series> all;
    for (const std::string& p : ExpositionProblems(MetricsText(snap), &all)) ADD_FAILURE() << p;
    ASSERT_NE(Find(all, "plyx3_machine_run_seconds"), nullptr);
    EXPECT_DOUBLE_EQ(Find(all, "plyx3_machine_run_seconds")->value, 9000);
    EXPECT_DOUBLE_EQ(Find(all, "plyx3_machine_roll_left_meters")->value, 100 * 0.3048);
    EXPECT_DOUBLE_EQ(Find(all, "plyx3_machine_runs", {{"outcome", "completed"}})->value, 40);
    EXPECT_EQ(Find(all, "plyx3_machine_tape_meters"), nullptr);
}

TEST(Exposition, NumbersAndEscapesAreWrittenAsTheFormatReadsThem) {
    const std::pair<double, const char*> numbers[] = {{0, "0"},        {-0.0, "0"},        {3, "3"},       {0.0005, "0.0005"},
                                                      {1.024, "1.024"}, {1e20, "1e+20"},    {HUGE_VAL, "+Inf"},
                                                      {-HUGE_VAL, "-Inf"}, {std::nan(""), "NaN"}, {2.5e-7, "2.5e-07"}};
    for (const auto& [v, text] : numbers) EXPECT_EQ(PromNumber(v), text) << text;
    EXPECT_EQ(PromLabelValue("a\"b\\c\nd"), "a\\\"b\\\\c\\nd");
    EXPECT_EQ(PromHelp("a\"b\\c\nd"), "a\"b\\\\c\\nd");
    EXPECT_EQ(PromLabelValue("\xE4x"), "\xEF\xBF\xBDx");
}

// Prometheus' own checker, where the package is installed (scripts/setup installs it).
TEST(Exposition, PromtoolAcceptsTheMetrics) {
    if (std::system("command -v promtool >/dev/null 2>&1") != 0) GTEST_SKIP() << "promtool is not installed";
    const std::string path = ::testing::TempDir() + "plyx3_metrics.txt";
    std::ofstream(path) << MetricsText(SampleSnapshot());
    const std::string cmd = "promtool check metrics < " + path + " > " + path + ".out 2>&1";
    const int rc = std::system(cmd.c_str());
    std::ifstream out(path + ".out");
    const std::string said((std::istreambuf_iterator<char>(out)), std::istreambuf_iterator<char>());
    EXPECT_EQ(rc, 0) << said;
    // Lint findings are printed too, with exit 0 in some versions: none expected.
    EXPECT_EQ(said, "") << said;
}
