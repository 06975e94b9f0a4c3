// bench_run: one full run of the engine, driver and board link against a
// simulated controller; prints one line of key=value figures.
//
//   bench_run [--baud N] [--time-scale S] [--latency MS] [--capacity N]
//             [--burst N] [--spin US]
//             [--version X.YY] [--tlc N] [--trs X] [--asapl X] [--log FILE]
//             [--wire FILE] [--device PATH --control SOCKET] [--status ADDR:PORT]
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "bench/RunRig.h"

int main(int argc, char** argv) {
    plyx::bench::RunOptions o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (i + 1 >= argc) {
            std::fprintf(stderr, "bench_run: %s needs a value\n", a.c_str());
            return 2;
        }
        const char* v = argv[++i];
        if (a == "--baud") o.baud = std::atoi(v);
        else if (a == "--time-scale") o.timeScale = std::atof(v);
        else if (a == "--latency") o.latencyMs = std::atoi(v);
        else if (a == "--burst") o.burstBytes = std::atoi(v);
        else if (a == "--spin") o.spinMicros = std::atoi(v);
        else if (a == "--capacity") o.capacity = std::atoi(v);
        else if (a == "--tlc") o.tlc = std::atoi(v);
        else if (a == "--trs") o.trs = std::atof(v);
        else if (a == "--asapl") o.asapl = std::atof(v);
        else if (a == "--log") o.logFile = v;
        else if (a == "--device") o.device = v;
        else if (a == "--control") o.controlSocket = v;
        else if (a == "--workdir") o.workDir = v;
        else if (a == "--status") o.statusListen = v;
        else if (a == "--version") o.firmwareVersion = v;
        else if (a == "--wire") o.wireFile = v;
        else {
            std::fprintf(stderr, "bench_run: unknown option %s\n", a.c_str());
            return 2;
        }
    }
    try {
        plyx::bench::RunResult r = plyx::bench::RunFullRun(o);
        std::printf("%s\n", r.ToLine().c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_run: %s\n", e.what());
        return 1;
    }
    return 0;
}
