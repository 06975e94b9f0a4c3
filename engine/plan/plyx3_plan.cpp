// plyx3-plan: prints the moves a full run (or burnish pass) would queue, for
// the parameters an instance would start with: the defaults, the settings
// file of the data directory and the command line (e.g. REQCOMPORT=1), read
// exactly as plyx3 reads them. Used to check a board's record of moves.
// --summary prints the run preview's summary instead of the moves; --svg
// FILE also writes the preview's drawing of the wrap path. --from-layer L
// prints where layer L starts (steps from the run's start) and the moves a
// run resumed from layer L queues after its positioning move.
//   plyx3-plan [--burnish] [--family 1|2] [--summary] [--svg FILE] [--from-layer L] [KEY=VALUE ...]
#include <cstdio>
#include <cstring>
#include <string>

#include "app/Environment.h"
#include "app/ParameterSet.h"
#include "app/Startup.h"
#include "engine/RunEngine.h"
#include "engine/RunState.h"
#include "engine/plan/PlanRecorder.h"
#include "engine/plan/RunPlan.h"
#include "link/CommLog.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/EventPump.h"
#include "platform/Files.h"
#include "text/Resources.h"

int main(int argc, char** argv) {
    using namespace plyx;
    bool burnish = false;
    bool summaryOnly = false;
    int family = engine::kFamily4Axis;
    std::string commandLine;
    std::string svgFile;
    int fromLayer = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--burnish") == 0) {
            burnish = true;
        } else if (std::strcmp(argv[i], "--summary") == 0) {
            summaryOnly = true;
        } else if (std::strcmp(argv[i], "--svg") == 0 && i + 1 < argc) {
            svgFile = argv[++i];
        } else if (std::strcmp(argv[i], "--from-layer") == 0 && i + 1 < argc) {
            fromLayer = std::atoi(argv[++i]);
            if (fromLayer < 1) {
                std::fprintf(stderr, "plyx3-plan: --from-layer takes a layer number from 1\n");
                return 2;
            }
        } else if (std::strcmp(argv[i], "--family") == 0 && i + 1 < argc) {
            family = std::atoi(argv[++i]) == 2 ? engine::kFamily2Axis : engine::kFamily4Axis;
        } else {
            if (!commandLine.empty()) commandLine += ' ';
            commandLine += argv[i];
        }
    }

    platform::Clock& clock = platform::SystemClock();
    link::CommLog log(clock);
    text::TextTables tables;
    plyx::platform::ConsoleDialogs dialogs;
    app::Environment env(log, dialogs, clock, tables);
    env.SetProgramPath("plyx3");  // the same data directory and settings file as the program
    env.CommandLine = commandLine;
    app::ParameterSet params;
    try {
        app::Main(env, params, nullptr);
        env.OpenProgramLog("");  // leave no log behind
        env.ControllerFamily = family;

        if (summaryOnly || !svgFile.empty()) {
            const engine::RunPlan plan = engine::RecordRunPlan(env, params, family, burnish);
            if (summaryOnly)
                for (const std::string& line : engine::PlanSummaryLines(env, plan, params.fDSU != 0))
                    std::printf("%s\n", line.c_str());
            if (!svgFile.empty() && !platform::WriteFileAtomically(svgFile, engine::PlanSvg(env, plan))) {
                std::fprintf(stderr, "plyx3-plan: cannot write %s\n", svgFile.c_str());
                return 1;
            }
            if (summaryOnly) return 0;
        }

        engine::RunGlobals globals;
        platform::NullEventPump pump;
        engine::PlanRecorder recorder;
        engine::RunEngine engine(env, params, globals, pump);
        engine.SetPlanOnly(true);
        engine.UseController(&recorder);
        if (fromLayer > 0) {
            // The head stands at the layer's start: no positioning move is planned.
            engine::ResumeRequest request;
            request.fromLayer = fromLayer;
            request.headAtLayerStart = true;
            engine.ResumeRun(burnish, request);
            const engine::RunTrack& track = engine.Track();
            if (fromLayer > engine.RunPass()) {
                std::fprintf(stderr, "plyx3-plan: the run has %d layers\n", static_cast<int>(engine.RunPass()));
                return 2;
            }
            std::printf("from_layer=%d x=%lld y=%lld\n", fromLayer, static_cast<long long>(track.resumeX),
                        static_cast<long long>(track.resumeY));
        } else {
            engine.StartRun(burnish);
        }

        std::printf("%s\n", engine::FormatMoves(recorder.moves).c_str());
        const double feet = globals.TotalQueuedDistance * engine.Geometry().zTapePerStep / 12.0;
        std::fprintf(stderr, "layers=%d segments=%zu tape=%.1f ft\n",
                     static_cast<int>(engine::RunGeometry::LayerCount(params, burnish)), recorder.moves.size(),
                     feet);
    } catch (const app::ProgramExit& e) {
        return e.code();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "plyx3-plan: %s\n", e.what());
        return 1;
    }
    return 0;
}
