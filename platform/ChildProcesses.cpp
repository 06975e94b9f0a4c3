#include "platform/ChildProcesses.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

extern char** environ;

namespace plyx::platform {

struct ChildProcesses::State {
    std::mutex mutex;
    std::vector<std::pair<pid_t, std::string>> running;
    std::vector<Ended> ended;
    // Children no reaper thread could be started for: reaped without
    // waiting whenever the caller asks.
    std::vector<pid_t> unwatched;
    std::function<void()> wake;

    // Under the lock: the child's end noted, its program named.
    void NoteEnded(pid_t pid, int status) {
        const auto it = std::find_if(running.begin(), running.end(), [pid](const auto& r) { return r.first == pid; });
        if (it == running.end()) return;
        ended.push_back({pid, it->second, status});
        running.erase(it);
    }
    // Under the lock.
    void ReapUnwatched() {
        std::erase_if(unwatched, [this](pid_t pid) {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) != pid) return false;
            NoteEnded(pid, status);
            return true;
        });
    }
};

ChildProcesses::ChildProcesses(std::function<void()> wake) : state_(std::make_shared<State>()) {
    state_->wake = std::move(wake);
}

ChildProcesses::~ChildProcesses() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->wake = nullptr;
}

namespace {

std::string NameOf(const std::string& entry) { return entry.substr(0, entry.find('=')); }

// Spawn settings, released however Start leaves.
struct SpawnSettings {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSettings() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSettings() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
};

}  // namespace

pid_t ChildProcesses::Start(const std::string& program, const std::vector<std::string>& args,
                            const std::vector<std::string>& environment, std::string* why) {
    std::vector<std::string> entries;
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string name = NameOf(entry);
        if (std::none_of(environment.begin(), environment.end(), [&](const std::string& v) { return NameOf(v) == name; }))
            entries.push_back(entry);
    }
    entries.insert(entries.end(), environment.begin(), environment.end());
    std::vector<char*> envp;
    for (std::string& e : entries) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> argStrings{program};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argStrings) argv.push_back(a.data());
    argv.push_back(nullptr);

    SpawnSettings s;
    // Nothing of this program's own reaches the child: not the serial port,
    // not the port's lock (a hanging child would keep the port from the
    // next instance), not the log.
    posix_spawn_file_actions_addopen(&s.actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&s.actions, 3);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    sigdelset(&all, SIGKILL);
    sigdelset(&all, SIGSTOP);
    posix_spawnattr_setsigmask(&s.attributes, &none);
    posix_spawnattr_setsigdefault(&s.attributes, &all);
    // A session of its own: the terminal's Ctrl+C or hang-up is the program's, not the child's.
    posix_spawnattr_setflags(&s.attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = -1;
    const int err = posix_spawnp(&pid, program.c_str(), &s.actions, &s.attributes, argv.data(), envp.data());
    if (err != 0) {
        if (why != nullptr) *why = std::strerror(err);
        return -1;
    }
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->running.emplace_back(pid, program);
    try {
        std::thread([state = state_, pid] {
            int status = 0;
            pid_t got;
            do {
                got = ::waitpid(pid, &status, 0);
            } while (got < 0 && errno == EINTR);
            std::lock_guard<std::mutex> lock(state->mutex);
            state->NoteEnded(pid, got == pid ? status : 0);
            if (state->wake) state->wake();
        }).detach();
    } catch (const std::system_error&) {
        state_->unwatched.push_back(pid);
    }
    return pid;
}

std::vector<ChildProcesses::Ended> ChildProcesses::TakeEnded() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->ReapUnwatched();
    std::vector<Ended> out;
    out.swap(state_->ended);
    return out;
}

std::vector<pid_t> ChildProcesses::Running() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->ReapUnwatched();
    std::vector<pid_t> pids;
    for (const auto& r : state_->running) pids.push_back(r.first);
    return pids;
}

std::string ChildProcesses::StatusText(int status) {
    if (WIFEXITED(status)) return "exit code " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return "signal " + std::to_string(WTERMSIG(status)) + " (" + ::strsignal(WTERMSIG(status)) + ")";
    return "status " + std::to_string(status);
}

}  // namespace plyx::platform
