// An error that reaches a window action is shown with its number and
// description, and the program ends.
#include <gtest/gtest.h>

#include "drivers/DriverNumbers.h"
#include "link/BoardLinkError.h"
#include "platform/Files.h"
#include "tests/ui/UiFixture.h"
#include "ui/UiContext.h"

namespace plyx::ui::test {
namespace {

TEST(RunAction, ErrorsAreShownWithTheirNumberThenTheProgramEnds) {
    struct Case {
        std::function<void()> raise;
        std::string firstLine;
        std::string description;
    } cases[] = {
        {[] { throw link::BoardLinkError(7, "ZentrovaCom.CharRead", "Error 7 reported by ZentrovaCom.CharRead"); },
         "Error " + std::to_string(static_cast<std::int32_t>(0x80047537u)), "Error 7 reported by ZentrovaCom.CharRead"},
        // A board value that is no number, or too large for its integer.
        {[] { throw drivers::TypeMismatch(); }, "Error 13", "Type mismatch"},
        {[] { throw drivers::ArithmeticOverflow(); }, "Error 6", "Overflow"},
    };
    for (const Case& c : cases) {
        UiWorld w;
        w.env.OpenProgramLog("w.log");
        RunAction(w.env, c.raise);
        auto messages = w.Messages();
        ASSERT_EQ(messages.size(), 1u) << c.description;
        EXPECT_EQ(messages[0], c.firstLine + "\r\n" + c.description);
        EXPECT_EQ(w.exitCodes, (std::vector<int>{1}));
        // The end after an error leaves the log closed.
        std::string text = platform::ReadWholeFile(w.DataDirectory() + "/w.log").value_or("");
        std::erase(text, '\0');
        EXPECT_TRUE(text.ends_with(" EVENT:LOG FILE CLOSED")) << text;
    }
}

// A failed log is reported once, by the outermost action (a run lets
// actions run inside its waits, which must not end the program mid-run),
// naming the file and the reason; while that message shows, no action runs.
TEST(RunAction, FailedLogIsReportedOnceByTheOutermostAction) {
    UiWorld w;
    bool laterRan = false;
    w.env.ExitHook = [&](int code) {
        w.exitCodes.push_back(code);
        RunAction(w.env, [&] { laterRan = true; });  // the main window's timer, say
    };
    RunAction(w.env, [&] {
        w.log.LogFileOpen("/dev/full");
        RunAction(w.env, [&] { EXPECT_TRUE(w.Messages().empty()); });
    });
    ASSERT_EQ(w.Messages().size(), 1u);
    EXPECT_EQ(w.Messages()[0].rfind("Cannot write the log file /dev/full: No space left on device\r\n", 0), 0u);
    EXPECT_EQ(w.exitCodes, (std::vector<int>{1}));
    EXPECT_FALSE(laterRan);
}

}  // namespace
}  // namespace plyx::ui::test
