// The boardsim executable: its ways of ending and its refusal of bad options.
#include <sys/wait.h>

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace {

// Exit status of a bash script.
int Bash(const std::string& script) {
    int status = std::system(("bash -c '" + script + "' >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// With the panel, the window and the control lines run on two threads:
// either way of ending boardsim must end both.
TEST(Boardsim, EndsOnQuitOrSigtermWithOrWithoutPanelAndRejectsBadOptions) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    for (const std::string args : {"--capacity 8", "--panel"})
        for (const std::string end : {"echo quit >&${S[1]}", "kill -TERM $S_PID"})
            EXPECT_EQ(Bash("coproc S { exec timeout 20 " BOARDSIM_PATH " " + args + "; }; read -r path <&${S[0]} && " +
                           end + " && wait $S_PID"), 0) << args << ", " << end;
    for (const char* bad : {"--capacity 0", "--family 4 --firmware VT2D20NCRouter", "--com 3", "--firmware BAD\\*NAME",
                            "--nonsense"})
        EXPECT_EQ(Bash(std::string(BOARDSIM_PATH " ") + bad), 2) << bad;
}

}  // namespace
