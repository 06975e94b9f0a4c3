#pragma once
// What both controller families share: the binding to the board link, the
// ways of sending a command, the reading of the state reply and the waits
// for the controller. Each family supplies its own words (error sources,
// error texts, long-command letters) and the few wait steps that differ;
// its command letters stay in its own class.
#include <cstdint>
#include <memory>
#include <string>

#include "link/ZentrovaCom.h"
#include "platform/Clock.h"

namespace plyx::drivers {

// The words that make a family's errors and board definition its own.
struct RouterVocabulary {
    std::string strClass;               // error sources begin with it: "QM4DNCRouter"
    std::string strLongCommands;        // long-command letters handed to AddBoard
    std::string strFullyStoppedSource;  // source of IdleWaitForFullyStopped's errors
    std::string strRetrySynchText;      // error 4 after a retried idle query
    std::string strReplySynchText;      // error 4 after a complete idle reply
    // The retried-query error shows the packed reply (4-axis family) rather
    // than the raw last reply (2-axis family).
    bool fRetryErrorShowsPackedReply = false;
};

class RouterCore {
public:
    virtual ~RouterCore();
    RouterCore(const RouterCore&) = delete;
    RouterCore& operator=(const RouterCore&) = delete;

    // ---- Binding to the board link --------------------------------------
    const std::shared_ptr<link::ZentrovaCom>& ZentrovaRef() const { return link_; }
    // Releases the held link, holds the new one and forgets idBoard.
    void SetZentrovaRef(std::shared_ptr<link::ZentrovaCom> hZentrovaCom);
    // Holds a link that the caller keeps alive for as long as the driver uses it.
    void SetZentrovaRef(link::ZentrovaCom& hZentrovaCom);
    // Creates a link of its own (with its own closed log) when none is held,
    // opens strComPort and checks for a board there, then DefineRoute.
    void CreateZentrovaConnection(const std::string& strComPort, const std::string& strRoute);
    // Registers this driver's board with the link (first time) or changes
    // its route, selects it and makes "~" its flush character.
    void DefineRoute(const std::string& strRoute);
    void SelectThisBoard();
    std::int32_t idBoard() const { return idBoard_; }

    // ---- Controller state -----------------------------------------------
    bool AutoWaitOnMotionComplete() const { return fAutoWaitOnMotionComplete_; }
    void SetAutoWaitOnMotionComplete(bool fNewAutoComplete) { fAutoWaitOnMotionComplete_ = fNewAutoComplete; }
    std::int32_t LastWaitType() const { return lLastWaitType_; }
    std::int32_t LastQueueCount() const { return lLastQueueCount_; }

    // The last reply as the waits read it (CR and LF removed, plus the
    // family's repairs).
    virtual std::string PackedLastResponse();
    // Reads the last reply into LastWaitType and LastQueueCount; returns the count.
    std::int32_t ParseLastWaitResponse();
    // Waits until the controller is idle, paused, stopped or has free queue
    // places; lMaxWait ms (0 or less: 1000) while it moves with none free.
    // Returns 0 idle, 1 moving, 2 accepting, 3 paused, 4 stopped, -1 time-out.
    std::int32_t IdleWait(std::int32_t lMaxWait);
    // Returns when the controller reports idle; error 9 when it is paused
    // or stopped.
    void IdleWaitForFullyStopped();

    // Selects the axes of the next motor-specific command (family letters).
    virtual void SelectMotor(const std::string& strWhich) = 0;

protected:
    RouterCore(RouterVocabulary vocabulary, platform::Clock& clock);

    // The held link; a driver used before it is bound throws std::logic_error.
    link::ZentrovaCom& Link() const;
    // Raises error id from strClass + "." + strOperation through the link.
    [[noreturn]] void Raise(std::int32_t id, const std::string& strOperation, const std::string& strMsg) const;
    [[noreturn]] void RaiseFrom(std::int32_t id, const std::string& strWhereFrom, const std::string& strMsg) const;

    // ---- Ways of sending ---------------------------------------------------
    void SendCommandText(const std::string& strText);
    void SendMotorValueCommand(const std::string& strWhichMotor, std::int32_t lValue, const std::string& strLetter);
    void SendValueCommand(std::int32_t lValue, const std::string& strLetter);
    // Sends a command that enters the controller's queue and waits as the
    // AutoWaitOnMotionComplete setting says. Does not select the board.
    void SendQueuedCommand(const std::string& strLetter);
    void SendValueThenQueuedCommand(std::int32_t lValue, const std::string& strLetter);
    // "-" (the queue prefix), the value, then the letter as a queued command.
    void QueueValueCommand(std::int32_t lValue, const std::string& strLetter);
    // Makes sure the controller is idle before a setting that needs it;
    // error 8 naming strCaller when it is not.
    void WaitOrTrap(const std::string& strCaller);
    // The reply value of the last command as a 32-bit integer.
    std::int32_t LastCommaResultAsLong() const;

    // ---- Wait steps that differ by family -------------------------------
    // The idle query command letter.
    virtual std::string IdleQueryLetter() const = 0;
    // Whether a failed idle query is asked again before deciding.
    virtual bool RequeryAfterFailedIdleQuery() const = 0;

    // Letter of the last queued command, "I" during an idle wait (only the
    // 4-axis family's reply repairs read it).
    std::string strLastCommand_ = "I";
    // Motor-selection text last sent.
    std::string strLastMotorSelect_;
    platform::Clock& clock_;

private:
    std::int32_t IdleQuery();
    void WaitAfterQueuedCommand(const std::string& strLetter, std::int32_t rc);

    RouterVocabulary vocabulary_;
    std::shared_ptr<link::ZentrovaCom> link_;
    std::int32_t idBoard_ = 0;
    bool fAutoWaitOnMotionComplete_ = true;
    std::int32_t lLastWaitType_ = 1;
    std::int32_t lLastQueueCount_ = 0;
};

}  // namespace plyx::drivers
