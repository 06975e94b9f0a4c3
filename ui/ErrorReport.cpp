#include "ui/ErrorReport.h"

namespace plyx::ui {

namespace {

// What happened, and what to do about it.
struct Plain {
    text::ResourceId what;
    text::ResourceId next;
};

constexpr text::ResourceId kNoRun = 1270;      // no run was in progress
constexpr text::ResourceId kProgramEnds = 1271;

Plain PlainFor(ErrorKind kind, std::int32_t n) {
    switch (kind) {
        case ErrorKind::TypeMismatch: return {1267, 1277};
        case ErrorKind::Overflow: return {1268, 1277};
        case ErrorKind::Other: return {1269, 1279};
        case ErrorKind::BoardLink: break;
    }
    switch (n) {
        case 1: return {1260, 1275};  // no answer to a command in time
        case 3: return {1261, 1279};  // not a controller this program drives
        case 4: return {1262, 1275};  // stopped answering, or out of step
        case 5: return {1263, 1279};  // a command the board does not know
        case 6: return {1264, 1276};  // the port could not be opened
        case 7: return {1265, 1278};  // the connection was lost
        case 8: case 9: return {1266, 1275};  // the controller not ready, or paused when it should run
        case 10: return {1253, 1274};         // moves lost: a restart or a power dip
        default: return {1269, 1279};
    }
}

std::string Filled(const std::string& text, const LostMoves& lost) {
    return text::FillTexts(text, {std::to_string(lost.lost), std::to_string(lost.layer)});
}

}  // namespace

std::string PlainErrorText(const app::Environment& env, ErrorKind kind, std::int32_t smallNumber,
                           const std::string& machine, const LostMoves& lostMoves) {
    const Plain p = PlainFor(kind, smallNumber);
    std::string text = Filled(env.GetResourceText(p.what), lostMoves);
    text += "\r\n\r\n" + (machine.empty() ? env.GetResourceText(kNoRun) + " " + env.GetResourceText(kProgramEnds)
                                          : machine);
    text += "\r\n\r\n" + Filled(env.GetResourceText(p.next), lostMoves);
    return text;
}

}  // namespace plyx::ui
