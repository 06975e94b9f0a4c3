#pragma once
// A fresh program environment on fakes, with its documents folder in a
// temporary directory and the English texts loaded.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/Environment.h"
#include "app/ParameterSet.h"
#include "link/CommLog.h"
#include "platform/Dialogs.h"
#include "platform/FakeClock.h"
#include "platform/Files.h"
#include "platform/TextCodec.h"
#include "tests/support/TempDir.h"
#include "text/Resources.h"

namespace plyx::test {

// The log file's text, decoded from UTF-16 without its byte-order mark.
inline std::string ReadUtf16File(const std::string& path) {
    const std::string raw = platform::ReadWholeFile(path).value_or("");
    std::u16string u;
    for (std::size_t i = raw.rfind("\xFF\xFE", 0) == 0 ? 2 : 0; i + 1 < raw.size(); i += 2)
        u += static_cast<char16_t>(static_cast<unsigned char>(raw[i]) | (static_cast<unsigned char>(raw[i + 1]) << 8));
    return platform::Utf16ToUtf8(u);
}

// The texts of the event lines of a communication log, in order.
inline std::vector<std::string> EventLines(const std::string& path) {
    const std::string text = ReadUtf16File(path), tag = " EVENT:";
    std::vector<std::string> out;
    for (std::size_t pos = 0, end; pos < text.size(); pos = end + 2) {
        end = std::min(text.find("\r\n", pos), text.size());
        if (std::size_t t = text.find(tag, pos); t < end)
            out.push_back(text.substr(t + tag.size(), end - t - tag.size()));
    }
    return out;
}

class CoreFixture : public ::testing::Test {
protected:
    CoreFixture() {
        setenv("PLYX3_DOCUMENTS_DIR", docs.path().c_str(), 1);
        text::LoadInternalDictionary(tables, "PLYX3");
    }
    ~CoreFixture() override { unsetenv("PLYX3_DOCUMENTS_DIR"); }

    std::string DataDir() const { return docs.path() + "/PLYX3"; }
    // Opens the program log "test.log" in the data directory.
    void OpenLog() { env.OpenProgramLog("test.log"); }
    // Event lines logged so far with their "--->" prefix removed (other lines kept whole).
    std::vector<std::string> Logged(const std::string& name = "test.log") {
        std::vector<std::string> out;
        for (std::string& l : EventLines(DataDir() + "/" + env.PerPortPrefix + name))
            out.push_back(l.rfind("--->", 0) == 0 ? l.substr(4) : l);
        return out;
    }

    TempDir docs;
    platform::FakeClock clock;
    link::CommLog log{clock};
    platform::FakeDialogs dialogs;
    text::TextTables tables;
    app::Environment env{log, dialogs, clock, tables};
    app::ParameterSet params;
};

}  // namespace plyx::test
