#pragma once
// The pseudo-terminal pair that stands for the serial cable.  The board
// keeps a descriptor of the program's end open so that the pair survives
// the program closing and reopening its end; it watches that end's opens
// and closes, and when the program's last descriptor closes it lifts the
// program's exclusive mode and drops unread bytes, as a real port would.
#include <string>

namespace plyx::sim {

class PtyPort {
public:
    PtyPort() = default;
    ~PtyPort();
    PtyPort(const PtyPort&) = delete;
    PtyPort& operator=(const PtyPort&) = delete;

    void Open();   // throws std::system_error
    void Close();  // the cable is pulled
    bool IsOpen() const { return master_ >= 0; }
    int master() const { return master_; }
    int notices() const { return watch_; }  // -1 when opens cannot be watched
    const std::string& path() const { return path_; }

    // Reads the pending open/close notices; returns whether the program's
    // end is open afterwards.  *closed tells whether it was closed at some
    // point since the last call.  On the last close the program's
    // exclusive mode is lifted and bytes on their way are discarded.
    bool ReadNotices(bool* closed = nullptr);
    bool ProgramHasItOpen() const { return connected_; }

private:
    bool OthersHoldIt() const;

    int master_ = -1, held_ = -1, watch_ = -1;
    std::string path_;
    bool connected_ = false;
};

}  // namespace plyx::sim
