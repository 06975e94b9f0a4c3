// What one look of the simulator's panel costs the board's thread: the
// copies the panel takes under the simulator's lock (Simulator::State and
// Simulator::Moves copy exactly these), for records of moves of growing
// length. The board's thread waits at most this long for its lock.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "sim/Board.h"

namespace {

std::unique_ptr<plyx::sim::Board> BoardWithMoves(long moves) {
    plyx::sim::SimOptions o;
    o.queueCapacity = 1000000;
    auto board = plyx::sim::Board::Create(o);
    for (long i = 0; i < moves; ++i) {
        board->Receive(std::to_string(i % 2 ? 1500 : -1500) + "x" + std::to_string(i % 7) + "yG");
        board->TakeReplies();
    }
    return board;
}

void BM_PanelStateCopy(benchmark::State& state) {
    auto board = BoardWithMoves(0);
    for (auto _ : state) benchmark::DoNotOptimize(board->State());
}
BENCHMARK(BM_PanelStateCopy);

void BM_PanelRecordCopy(benchmark::State& state) {
    auto board = BoardWithMoves(state.range(0));
    for (auto _ : state) {
        std::vector<plyx::sim::MoveRecord> copy = board->Moves();
        benchmark::DoNotOptimize(copy.data());
    }
    state.counters["moves"] = static_cast<double>(board->Moves().size());
}
BENCHMARK(BM_PanelRecordCopy)->Arg(300)->Arg(3000)->Arg(30000)->Arg(300000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
