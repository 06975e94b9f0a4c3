#include "bench/LinkSetup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>
#include <vector>

namespace plyx::bench {

std::string MakeTempDir(const std::string& prefix) {
    std::string pattern = "/tmp/" + prefix + "-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr) throw std::runtime_error("cannot make a temporary folder");
    return name.data();
}

void BindCom7(link::ZentrovaCom& boardLink, const std::string& dataDirectory, const std::string& device) {
    ::mkdir(dataDirectory.c_str(), 0700);
    const std::string ports = dataDirectory + "/ports";
    ::mkdir(ports.c_str(), 0700);
    const std::string com = ports + "/COM7";
    ::unlink(com.c_str());
    if (::symlink(device.c_str(), com.c_str()) != 0) throw std::runtime_error("cannot link " + com);
    platform::serial::PortPaths paths;
    paths.dataDirectory = dataDirectory;
    paths.devRoot = dataDirectory + "/no-dev";  // no real serial devices join in
    paths.sysRoot = dataDirectory + "/no-sys";
    boardLink.SetPortPaths(paths);
    boardLink.SetAutoAwakeFlags(0);  // no keep-awake lock in a benchmark
}

}  // namespace plyx::bench
