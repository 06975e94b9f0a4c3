// RouterCore: reading the controller's state reply and waiting for it.
#include "drivers/RouterCore.h"
#include "drivers/WaitReply.h"

namespace plyx::drivers {

namespace {

// The link's idle time becomes the wait's limit for as long as the wait
// runs, and comes back on every way out, errors included.
class IdleTimeOverride {
public:
    IdleTimeOverride(link::ZentrovaCom& z, std::int32_t ms) : z_(z), saved_(z.IdleTime()) { z_.SetIdleTime(ms); }
    ~IdleTimeOverride() { z_.SetIdleTime(saved_); }
    IdleTimeOverride(const IdleTimeOverride&) = delete;
    IdleTimeOverride& operator=(const IdleTimeOverride&) = delete;

private:
    link::ZentrovaCom& z_;
    std::int32_t saved_;
};

bool IsState(std::int32_t type) { return type >= kWaitIdle && type <= kWaitStopped; }

}  // namespace

std::string RouterCore::PackedLastResponse() { return PackReply(Link().LastResponse()); }

std::int32_t RouterCore::ParseLastWaitResponse() {
    lLastQueueCount_ = 0;
    WaitReply w = ParseWaitReply(PackedLastResponse());
    lLastWaitType_ = w.lWaitType;
    lLastQueueCount_ = w.lQueueCount;
    return lLastQueueCount_;
}

// Sends the idle query and reads its reply.
std::int32_t RouterCore::IdleQuery() {
    std::int32_t rc = Link().StringWriteCommandSequence(IdleQueryLetter());
    strLastCommand_.assign(1, 'I');  // (assigning a literal trips a GCC 12 false warning)
    ParseLastWaitResponse();
    return rc;
}

std::int32_t RouterCore::IdleWait(std::int32_t lMaxWait) {
    SelectThisBoard();
    link::ZentrovaCom& z = Link();
    const std::uint32_t t0 = clock_.GetTickCount();
    if (lMaxWait <= 0) lMaxWait = 1000;
    IdleTimeOverride idleTime(z, lMaxWait);
    // The tick counter wraps; the unsigned difference stays right across it.
    auto timeUp = [&] {
        return static_cast<std::uint32_t>(clock_.GetTickCount() - t0) >= static_cast<std::uint32_t>(lMaxWait);
    };
    // An empty reply means the state has not arrived yet: read on, but never
    // past lMaxWait from the start, so a board that keeps sending empty
    // replies (or goes silent after one) ends the wait as a time-out.
    auto readAgain = [&](std::int32_t* rc) {
        if (timeUp()) return false;
        *rc = z.ReadToDone(lMaxWait);
        ParseLastWaitResponse();
        return true;
    };

    for (;;) {
        std::int32_t rc = IdleQuery();
        // The packed reply of the last query or read, for the error text of a
        // retried query: packed only on that path, never on a poll.
        std::string r;
        std::int32_t result = 0;
        for (;;) {
            if (rc == 9) {  // the board answered "~": it holds its motion
                result = kWaitPaused;
                break;
            }
            if (rc == 0) {
                if (lLastWaitType_ == kWaitEmpty) {
                    if (!readAgain(&rc)) return kIdleWaitTimeout;
                    continue;
                }
                if (IsState(lLastWaitType_)) {
                    result = lLastWaitType_;
                    break;
                }
                Raise(4, "IdleWait", vocabulary_.strReplySynchText + z.LastResponse());
            }
            // No complete reply: drop what is left and ask once more.
            r = PackedLastResponse();
            z.FlushRoute();
            if (RequeryAfterFailedIdleQuery()) {
                rc = IdleQuery();
                r = PackedLastResponse();
            }
            if (rc == 9) return kWaitPaused;
            switch (lLastWaitType_) {
                case kWaitEmpty:
                    if (!readAgain(&rc)) return kIdleWaitTimeout;
                    continue;
                case kWaitIdle: return kWaitIdle;
                case kWaitMoving:
                case kWaitAccepting: return kIdleWaitTimeout;
                case kWaitPaused: return kWaitPaused;
                case kWaitStopped: return kWaitStopped;
                default:
                    Raise(4, "IdleWait",
                          vocabulary_.strRetrySynchText +
                              (vocabulary_.fRetryErrorShowsPackedReply ? r : z.LastResponse()));
            }
        }
        // Moving with no free queue place: ask again, once a millisecond at most.
        if ((result == kWaitMoving || result == kWaitAccepting) && lLastQueueCount_ == 0) {
            if (timeUp()) return kIdleWaitTimeout;
            clock_.Sleep(1);
            continue;
        }
        return result;
    }
}

void RouterCore::IdleWaitForFullyStopped() {
    std::int32_t r = IdleWait(0);
    while (r != kWaitIdle) {
        if (r == kWaitPaused) RaiseFrom(9, vocabulary_.strFullyStoppedSource, "Controller is paused!");
        if (r == kWaitStopped) RaiseFrom(9, vocabulary_.strFullyStoppedSource, "Controller is stopped!");
        r = IdleWait(0);
    }
}

void RouterCore::WaitAfterQueuedCommand(const std::string& strLetter, std::int32_t rc) {
    if (fAutoWaitOnMotionComplete_) {
        IdleWaitForFullyStopped();
        return;
    }
    if (rc == 0) return;  // the board took the command and replied
    for (;;) {
        std::int32_t r = IdleWait(1000);
        if (r == kWaitIdle || r == kWaitMoving || r == kWaitAccepting) return;
        if (r == kWaitPaused)
            Raise(9, "SendQueuedCommand", "Controller is paused during command '" + strLetter + "'");
        if (r == kWaitStopped)
            Raise(9, "SendQueuedCommand", "Controller is stopped during command '" + strLetter + "'");
    }
}

void RouterCore::WaitOrTrap(const std::string& strCaller) {
    if (fAutoWaitOnMotionComplete_) {
        IdleWaitForFullyStopped();
        return;
    }
    if (IdleWait(0) != kWaitIdle)
        Raise(8, "WaitOrTrap",
              "Timed out on pre-testing for " + vocabulary_.strClass + " ready for call from " + strCaller);
}

}  // namespace plyx::drivers
