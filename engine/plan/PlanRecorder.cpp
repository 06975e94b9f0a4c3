#include "engine/plan/PlanRecorder.h"

namespace plyx::engine {

std::string FormatMoves(const std::vector<PlannedMove>& moves) {
    std::string out = "moves=" + std::to_string(moves.size());
    for (const PlannedMove& m : moves)
        out += "\nline x=" + std::to_string(m.x) + " y=" + std::to_string(m.y) + " rate=" + std::to_string(m.rate);
    return out;
}

}  // namespace plyx::engine
