// An error that reaches a window action is shown with its number and
// description, and the program ends.
#include <gtest/gtest.h>

#include "drivers/DriverNumbers.h"
#include "link/BoardLinkError.h"
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
        RunAction(w.env, c.raise);
        auto messages = w.Messages();
        ASSERT_EQ(messages.size(), 1u) << c.description;
        EXPECT_EQ(messages[0], c.firstLine + "\r\n" + c.description);
        EXPECT_EQ(w.exitCodes, (std::vector<int>{1}));
    }
}

}  // namespace
}  // namespace plyx::ui::test
