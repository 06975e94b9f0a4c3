#pragma once
// A quiet program environment for the fuzz targets: fake clock and dialogs,
// no log, English texts, and a private scratch folder that is also the
// documents folder, so nothing outside it is touched.
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <string>
#include <string_view>

#include "app/Environment.h"
#include "app/ParameterFiles.h"
#include "app/ParameterSet.h"
#include "link/CommLog.h"
#include "platform/Dialogs.h"
#include "platform/FakeClock.h"
#include "text/Resources.h"

namespace plyx::fuzz {

// Folder made once per process, in /dev/shm when there is one (files
// written to a disk cost a flush each, which slows fuzzing a hundredfold),
// else under $TMPDIR or /tmp. Removed at exit when libFuzzer exits normally.
inline const std::string& ScratchDir() {
    static const std::string dir = [] {
        const char* base = std::getenv("TMPDIR");
        std::string root = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : (base && *base ? base : "/tmp");
        std::string pattern = root + "/plyx3-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) std::abort();
        setenv("PLYX3_DOCUMENTS_DIR", pattern.c_str(), 1);
        return pattern;
    }();
    static const bool cleanup = [] {
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(dir, ignored);
        });
        return true;
    }();
    (void)cleanup;
    return dir;
}

// Replaces the whole file at path with data; aborts when that fails, since a
// fuzz input that never reaches the parser would only hide bugs.
inline void WriteScratchFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    unlink(path.c_str());  // a fresh file: rewriting one in place costs a flush on ext4
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size && std::fwrite(data, 1, size, f) != size) std::abort();
    if (std::fclose(f) != 0) std::abort();
}

struct FuzzEnv {
    FuzzEnv() {
        ScratchDir();
        text::LoadInternalDictionary(tables, "PLYX3");
        env.ExitHook = [](int) {};  // ExitProgram then throws ProgramExit
    }
    // Forget what the last input left behind (messages pile up otherwise).
    void Reset() {
        dialogs.messages.clear();
        params = app::ParameterSet{};
        app::LoadDefaults(params);
    }

    platform::FakeClock clock;
    link::CommLog log{clock};
    platform::FakeDialogs dialogs;
    text::TextTables tables;
    app::Environment env{log, dialogs, clock, tables};
    app::ParameterSet params;
};

}  // namespace plyx::fuzz
