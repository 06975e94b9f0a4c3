// No code of the program starts a shell: every new process is started from
// an argument list (execv), so nothing a file or command line holds can
// become a shell command.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

TEST(Security, NoSourceFileStartsAShell) {
    // Spelled in pieces so that this file does not match itself.
    const std::string needles[] = {std::string("sys") + "tem(", std::string("po") + "pen(", std::string("\"sh") + " -c",
                                   std::string("/bin/") + "sh", std::string("exec") + "lp(", std::string("wordexp") + "("};
    std::size_t scanned = 0;
    for (const char* folder : {"app", "text", "link", "drivers", "engine", "platform", "sim", "ui", "fuzz"}) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(std::filesystem::path(PLYX3_SOURCE_DIR) / folder)) {
            const std::string ext = entry.path().extension().string();
            if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
            std::stringstream text;
            text << std::ifstream(entry.path()).rdbuf();
            for (const std::string& n : needles) EXPECT_EQ(text.str().find(n), std::string::npos) << entry.path() << " holds " << n;
            ++scanned;
        }
    }
    EXPECT_GT(scanned, 40u);  // the tree was really there
}
