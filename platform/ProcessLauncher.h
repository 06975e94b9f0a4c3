#pragma once
// Starting a new, independent process of a program: with an argument list,
// never through a shell.
#include <string>
#include <vector>

namespace plyx::platform {

class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    // True when the process was started.
    virtual bool StartDetached(const std::string& program, const std::vector<std::string>& args) = 0;
};

// fork + execv, detached (double fork), no shell involved.
class PosixProcessLauncher final : public ProcessLauncher {
public:
    bool StartDetached(const std::string& program, const std::vector<std::string>& args) override;
};

class FakeProcessLauncher final : public ProcessLauncher {
public:
    struct Started {
        std::string program;
        std::vector<std::string> args;
    };
    std::vector<Started> started;
    bool result = true;
    bool StartDetached(const std::string& program, const std::vector<std::string>& args) override {
        started.push_back({program, args});
        return result;
    }
};

}  // namespace plyx::platform
