#include "tests/support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <stdlib.h>

namespace plyx::test {

TempDir::TempDir() {
    std::string tmpl = "/tmp/plyx3-test-XXXXXX";
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void TempDir::Write(const std::string& name, const std::string& bytes) const {
    // Missing folders are made: a file a test believes it wrote must exist,
    // or the test checks nothing.
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(File(name)).parent_path(), ec);
    std::ofstream out(File(name), std::ios::binary);
    out << bytes;
    out.close();
    if (!out) throw std::runtime_error("cannot write " + File(name));
}

std::string TempDir::Read(const std::string& name) const {
    std::ifstream in(File(name), std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

}  // namespace plyx::test
