#pragma once
// SIGTERM, SIGINT and SIGHUP as a request to end the program. The handler only
// writes the signal number to a pipe; the pipe's notifier hands it to the
// program from Qt's event loop, so it is also seen inside the long waits of
// the port search and of a run, which let pending events run.
#include <QObject>
#include <functional>

class QSocketNotifier;

namespace plyx::platform {

class QuitSignals final : public QObject {
    Q_OBJECT
public:
    // onSignal runs on the event loop with the signal number. One object at
    // a time; its destruction gives the signals their default action back.
    explicit QuitSignals(std::function<void(int)> onSignal);
    ~QuitSignals() override;
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

    bool Installed() const { return notifier_ != nullptr; }

private:
    void Drain();

    std::function<void(int)> onSignal_;
    int fds_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace plyx::platform
