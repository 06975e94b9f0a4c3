// No code of the program starts a shell: every new process is started
// from an argument list (execv), so nothing a file or command line holds
// can become a shell command. Checked over every folder that goes into the
// program or the board simulator (tests and benchmarks may use a shell to
// set up their scratch folders).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace plyx::test {
namespace {

namespace fs = std::filesystem;

TEST(Security, NoSourceFileStartsAShell) {
    // Spelled in pieces so that this file does not match itself.
    const std::vector<std::string> needles = {std::string("sys") + "tem(", std::string("po") + "pen(",
                                              std::string("\"sh") + " -c", std::string("/bin/") + "sh",
                                              std::string("exec") + "lp(", std::string("wordexp") + "("};
    const fs::path root = PLYX3_SOURCE_DIR;
    std::size_t scanned = 0;
    for (const char* folder : {"app", "text", "link", "drivers", "engine", "platform", "sim", "ui", "fuzz"}) {
        if (!fs::exists(root / folder)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
            const std::string ext = entry.path().extension().string();
            if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
            std::ifstream in(entry.path());
            std::stringstream text;
            text << in.rdbuf();
            const std::string s = text.str();
            for (const std::string& n : needles)
                EXPECT_EQ(s.find(n), std::string::npos) << entry.path() << " holds " << n;
            ++scanned;
        }
    }
    EXPECT_GT(scanned, 40u);  // the tree was really there
}

}  // namespace
}  // namespace plyx::test
