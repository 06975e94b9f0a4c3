#include "status/StatusJson.h"

#include <gtest/gtest.h>

#include <cmath>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "SampleSnapshot.h"
#include "status/StatusPage.h"
#include "status/TextEscape.h"

using namespace plyx::status;
using namespace plyx::status::test;

namespace {

QJsonObject Parse(const std::string& text) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << "\n" << text;
    return doc.object();
}

}  // namespace

TEST(StatusJson, SaysWhatTheSnapshotSaysInValidJson) {
    const QJsonObject o = Parse(StatusJson(SampleSnapshot()));
    EXPECT_EQ(o["port"].toString(), "COM3");
    EXPECT_EQ(o["model"].toString().toStdString(), "Mod\"el\\A\nB");
    EXPECT_EQ(o["state"].toString(), "running");
    // A Latin-1 byte from a file reads as U+FFFD, the rest as it was.
    EXPECT_EQ(o["state_text"].toString().toStdString(), "L\xEF\xBF\xBDuft </script><script>alert(1)</script>");
    EXPECT_EQ(o["layer_running"].toInt(), 3);
    EXPECT_EQ(o["layer_queued"].toInt(), 4);
    EXPECT_EQ(o["layers_planned"].toInt(), 6);
    EXPECT_DOUBLE_EQ(o["tape_laid_ft"].toDouble(), 50);
    EXPECT_DOUBLE_EQ(o["progress"].toDouble(), 0.4);
    EXPECT_EQ(o["time_left_text"].toString(), "1:02:05");
    EXPECT_EQ(o["tape_laid_text"].toString(), "50.0");
    EXPECT_EQ(o["moves_run"].toInt(), 120);
    EXPECT_EQ(o["runs_by_outcome"].toObject()["completed"].toInt(), 2);
    EXPECT_EQ(o["runs_by_outcome"].toObject()["interrupted"].toInt(), 0);
    EXPECT_EQ(o["board_errors"].toObject()["7"].toInt(), 1);
    const QJsonArray buckets = o["link_round_trip"].toObject()["buckets"].toArray();
    ASSERT_EQ(buckets.size(), 13);
    EXPECT_EQ(buckets.last().toObject()["le"].toString(), "+Inf");
    EXPECT_EQ(buckets.last().toObject()["count"].toInt(), 6);
    const QJsonArray runs = o["last_runs"].toArray();
    ASSERT_EQ(runs.size(), 1);
    EXPECT_EQ(runs[0].toObject()["outcome"].toString(), "completed");
    EXPECT_EQ(runs[0].toObject()["duration_text"].toString(), "0:02:36");
    EXPECT_TRUE(o["counters"].isNull());
    // Nothing in it can end the page's script element.
    EXPECT_EQ(StatusJson(SampleSnapshot()).find("</"), std::string::npos);
}

TEST(StatusJson, NumbersThatAreNoNumbersBecomeNull) {
    StatusSnapshot s;
    s.secondsLeft = std::nan("");
    s.tapeLaidInches = HUGE_VAL;
    const QJsonObject o = Parse(StatusJson(s));
    EXPECT_TRUE(o["seconds_left"].isNull());
    EXPECT_TRUE(o["tape_laid_ft"].isNull());
    EXPECT_EQ(o["state"].toString(), "idle");
    EXPECT_EQ(o["last_runs"].toArray().size(), 0);
}

TEST(StatusJson, TextsAreValidUtf8AndEscapedForTheirPlace) {
    const std::pair<const char*, const char*> utf8[] = {
        {"abc", "abc"}, {"\xC3\xA4", "\xC3\xA4"}, {"\xE4", "\xEF\xBF\xBD"}, {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"}, {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        {"\xE2\x82", "\xEF\xBF\xBD\xEF\xBF\xBD"}};
    for (const auto& [in, out] : utf8) EXPECT_EQ(ValidUtf8(in), out) << in;
    EXPECT_EQ(JsonString("a\"\\\n\x01<"), "\"a\\\"\\\\\\n\\u0001\\u003c\"");
    EXPECT_EQ(HtmlEscape("<a href=\"x\">&'"), "&lt;a href=&quot;x&quot;&gt;&amp;&#39;");
}

TEST(StatusPage, ShowsTheRunInTheOperatorsWordsAndNoMarkupFromFiles) {
    StatusSnapshot s = SampleSnapshot();
    const std::string page = StatusPage(s);
    for (const char* part : {"<title>COM3: PLYX3 Status</title>", "Lage &lt;b&gt;", "3 / 6", "50.0 / 125.0 ft",
                             "1:02:05", "width:40%", "data-state=\"running\"", "a&lt;b&gt;.cfg", "Completed",
                             "name=\"viewport\""})
        EXPECT_NE(page.find(part), std::string::npos) << part;
    // The one script is the page's own: no text from a file opens another.
    EXPECT_EQ(page.find("<script>alert"), std::string::npos);
    EXPECT_EQ(page.find("<script>", page.find("<script>") + 1), std::string::npos);
    EXPECT_EQ(page.find("<b>"), std::string::npos);
    // The counters' card is hidden until the program keeps counters.
    EXPECT_NE(page.find("id=\"counters\" style=\"display:none\""), std::string::npos);
    s.counters = MachineCounters{};
    s.counters->rollFeetLeft = 250;
    const std::string withCounters = StatusPage(s);
    EXPECT_EQ(withCounters.find("id=\"counters\" style=\"display:none\""), std::string::npos);
    EXPECT_NE(withCounters.find("250.0 ft"), std::string::npos);
}
