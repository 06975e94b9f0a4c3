#pragma once
// Programs of the operator's choosing started beside this one (the
// notification programs): directly, never through a shell, with variables
// added to their environment, and never waited for on the caller's thread.
// Each child is reaped by a thread of its own the moment it ends, so none
// is left a zombie, and its end is kept until the caller takes it.
#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace plyx::platform {

class ChildProcesses {
public:
    struct Ended {
        pid_t pid = 0;
        std::string program;
        int status = 0;  // as waitpid gives it
    };

    // wake is called on a reaper thread once a child has ended: it must
    // not block, and only hand TakeEnded to the caller's own thread.
    explicit ChildProcesses(std::function<void()> wake = nullptr);
    // Children still running go on; their ends are no longer told.
    ~ChildProcesses();
    ChildProcesses(const ChildProcesses&) = delete;
    ChildProcesses& operator=(const ChildProcesses&) = delete;

    // Starts program (a path, or a name looked up in PATH) with args and
    // this program's environment plus the "NAME=value" entries given (which
    // replace those of the same name): in a session of its own, standard
    // input from /dev/null, no descriptor of this program open but standard
    // output and error, every signal at its default and none blocked.
    // Gives the process id, or -1 with why.
    pid_t Start(const std::string& program, const std::vector<std::string>& args,
                const std::vector<std::string>& environment, std::string* why = nullptr);
    // The children that ended since the last call, in the order they ended.
    std::vector<Ended> TakeEnded();
    // The children still running.
    std::vector<pid_t> Running() const;

    // "exit code 1", "signal 9 (Killed)".
    static std::string StatusText(int status);

private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace plyx::platform
