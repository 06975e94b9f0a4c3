#include "platform/serial/ComPortMap.h"

#include <cstdlib>
#include <dirent.h>
#include <set>
#include <sys/stat.h>

namespace plyx::platform::serial {
namespace {

constexpr int kMaxComNumber = 255;

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::string Resolved(const std::string& path) {
    char* r = ::realpath(path.c_str(), nullptr);
    if (r == nullptr) return path;
    std::string out(r);
    std::free(r);
    return out;
}

// COMn links in <data directory>/ports whose target exists.
std::map<int, std::string> LinkedPorts(const PortPaths& paths) {
    std::map<int, std::string> out;
    if (paths.dataDirectory.empty()) return out;
    std::string dir = paths.dataDirectory + "/ports";
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) return out;
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        if (name.size() < 4 || name.compare(0, 3, "COM") != 0) continue;
        int n = 0;
        bool digits = true;
        for (std::size_t i = 3; i < name.size() && digits; ++i) {
            if (name[i] < '0' || name[i] > '9' || n > kMaxComNumber) digits = false;
            else n = n * 10 + (name[i] - '0');
        }
        if (!digits || n < 1 || n > kMaxComNumber) continue;
        std::string path = dir + "/" + name;
        if (Exists(path)) out[n] = path;
    }
    ::closedir(d);
    return out;
}

}  // namespace

std::string DefaultDataDirectory() {
    const char* docs = std::getenv("PLYX3_DOCUMENTS_DIR");
    if (docs != nullptr && *docs != '\0') return std::string(docs) + "/PLYX3";
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') return std::string(home) + "/Documents/PLYX3";
    return {};
}

PortPaths DefaultPortPaths() {
    PortPaths p;
    p.dataDirectory = DefaultDataDirectory();
    return p;
}

int ComNumberOf(const std::string& portName) {
    std::size_t at = portName.find("COM");
    if (at == std::string::npos) return -1;
    std::size_t i = at + 3;
    if (i >= portName.size() || portName[i] < '0' || portName[i] > '9') return -1;
    long n = 0;
    for (; i < portName.size() && portName[i] >= '0' && portName[i] <= '9'; ++i) {
        n = n * 10 + (portName[i] - '0');
        if (n > 1000000) return -1;
    }
    return static_cast<int>(n);
}

std::map<int, std::string> ComPortTable(const PortPaths& paths) {
    std::map<int, std::string> table = LinkedPorts(paths);
    int next = 1;
    for (const char* family : {"ttyS", "ttyUSB", "ttyACM"}) {
        for (int i = 0;; ++i) {
            std::string dev = paths.devRoot + "/" + family + std::to_string(i);
            if (!Exists(dev)) break;
            while (table.count(next) != 0) ++next;
            if (next > kMaxComNumber) return table;
            table[next++] = dev;
        }
    }
    return table;
}

std::string DeviceForPortName(const std::string& portName, const PortPaths& paths) {
    int n = ComNumberOf(portName);
    if (n < 1 || n > kMaxComNumber) return {};
    std::map<int, std::string> table = ComPortTable(paths);
    auto it = table.find(n);
    return it == table.end() ? std::string() : it->second;
}

int ComNumberOfDevice(const std::string& devicePath, const PortPaths& paths) {
    std::string want = Resolved(devicePath);
    // A link names the port the operator chose; it wins over automatic numbers.
    for (const auto& [n, path] : LinkedPorts(paths))
        if (Resolved(path) == want) return n;
    for (const auto& [n, path] : ComPortTable(paths))
        if (Resolved(path) == want) return n;
    return -1;
}

}  // namespace plyx::platform::serial
