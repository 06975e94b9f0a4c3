#pragma once
// An instant board on a pseudo-terminal: every byte `trigger` that arrives
// is answered at once with `reply`. It stands for the fastest possible
// controller, so that a round trip measures the host side only.
#include <string>
#include <thread>

namespace plyx::bench {

class PtyResponder {
public:
    PtyResponder(char trigger, std::string reply);  // throws std::system_error
    ~PtyResponder();
    PtyResponder(const PtyResponder&) = delete;
    PtyResponder& operator=(const PtyResponder&) = delete;

    const std::string& DevicePath() const { return path_; }

private:
    void Serve();

    char trigger_;
    std::string reply_;
    int master_ = -1;
    int held_ = -1;     // a descriptor of the program end, so it survives reopening
    int stopFd_ = -1;   // eventfd that ends the thread
    std::string path_;
    std::thread thread_;
};

// Opens a device raw 8N1 for reading and writing; -1 on failure.
int OpenRaw(const std::string& path);

}  // namespace plyx::bench
