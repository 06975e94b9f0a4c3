// Malformed parameter and language files, made here: good lines among junk
// are still read, odd values meet their rules, and what is no text file is
// reported, never read. (Random files are the fuzz targets' work.)
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cfloat>
#include <random>

#include "app/LanguageFiles.h"
#include "app/ParameterFiles.h"
#include "tests/app/CoreFixture.h"

namespace plyx::test {
namespace {

// Bytes of every value but the ones given (so that no line or key=value pair
// is made by chance), the same for the same seed.
std::string Junk(std::size_t size, std::uint32_t seed, const std::string& without) {
    std::mt19937 gen(seed);
    std::string out(size, '\0');
    for (char& c : out)
        do c = static_cast<char>(gen() & 0xFF);
        while (without.find(c) != std::string::npos);
    return out;
}

struct BadFileTest : CoreFixture {
    void Load(const std::string& bytes) {
        docs.Write("bad.cfg", bytes);
        app::LoadParameterFile(env, params, docs.File("bad.cfg"));
    }
    std::int16_t LoadLanguage(const std::string& bytes) {
        docs.Write("bad.lng", bytes);
        std::string path = docs.File("bad.lng");
        return text::LoadResourceFile(env, table, path);
    }
    std::string Text(text::ResourceId id) const {
        return table.count(text::ResourceKey(id)) ? table.at(text::ResourceKey(id)) : "<none>";
    }
    text::TextTable table;
};

// Good lines among binary junk and past line 40,000 are read; a 150 KB number
// reads as 0, a 150 KB text value is kept whole without its blanks and
// survives a save and reload, a 150 KB line without "=" or key is ignored.
// (The whole file stays under the 1 MB that any parameter file may have.)
TEST_F(BadFileTest, ParameterFileJunkAndHugeLines) {
    const std::string junk = Junk(64 * 1024, 7, "=\r\n");
    const std::size_t big = 150 << 10;
    std::string many, model, expectedModel;
    for (int i = 0; i < 40000; ++i) many += "N=\r\n";
    for (std::size_t i = 0; i < big; ++i) model += (i % 7 == 3) ? ' ' : static_cast<char>('a' + i % 26);
    std::copy_if(model.begin(), model.end(), std::back_inserter(expectedModel), [](char c) { return c != ' '; });
    Load(junk + "\r\nMODEL=" + model + "\n" + junk + "\r" + many + "TLC=9\r\nASAPL=" + std::string(big, '7') + "\r\n" +
         std::string(big, 'q') + "\r\n" + std::string(big, 'K') + "=5\r\n" + junk);
    EXPECT_EQ(params.zASAPL, 0);
    EXPECT_EQ(params.strModel, expectedModel);
    EXPECT_EQ(params.cTLC, 9);
    ASSERT_TRUE(app::WriteParameterFile(env, params, "", 0));
    params.strModel.clear();
    app::LoadParameterFile(env, params, "");
    EXPECT_EQ(params.strModel, expectedModel);
    EXPECT_TRUE(dialogs.messages.empty());
}

// Out-of-range reals and integers read as 0 and then meet the key's own rule
// (wheel diameter 0 becomes 4, the wheel angle is held to 0..45, a technique
// outside 0..2 is 1); integer keys are floored. NUL bytes: a number ends at one, a key with one is unknown,
// a value that starts with one reads as 0. The largest doubles survive a
// save and reload (with 15 digits they used to round past the largest double).
TEST_F(BadFileTest, HugeNumbersAndNulBytes) {
    const std::string nul(1, '\0');
    Load("SD=1E400\r\nPD=-1D999\r\nTS=&HFFFFFFFFF\r\nMSPS=1E10\r\nWHEELDIAMETER=1E999\r\nWA=1E300\r\n"
         "CHAININTERVALTECHNIQUE=-3\r\nMOTORCURRENTMA=99999999999999999999\r\nREQCOMPORT=1E300\r\n"
         "DSF=1.7976931348623157E308\r\nSSR=7" + nul + "99\r\nTLC=" + nul + "5\r\nMO" + nul + "DEL=x\r\nBLC=3.7\r\n");
    const auto& p = params;
    const double values[][2] = {{p.zSD, 0}, {p.zPD, 0}, {p.zTS, 0}, {p.zWheelDiameter, 4}, {p.zWA, 45}, {p.zSSR, 7},
                                {p.zDSF, DBL_MAX}, {double(p.idChainIntervalTechnique), 1}, {double(p.cMSPS), 0},
                                {double(p.cMotorCurrentMA), 0}, {double(p.cTLC), 0}, {double(p.cBLC), 3}};
    for (const auto& v : values) EXPECT_EQ(v[0], v[1]) << "case " << (&v - values);
    EXPECT_EQ(params.strModel, "");
    params.zSD = DBL_MAX;
    params.zPD = -DBL_MAX;
    ASSERT_TRUE(app::WriteParameterFile(env, params, docs.File("big.cfg"), 2));
    app::LoadDefaults(params);
    app::LoadParameterFile(env, params, docs.File("big.cfg") + nul + "junk");  // a name ends at its first NUL
    EXPECT_NEAR(params.zSD / DBL_MAX, 1.0, 1e-14);
    EXPECT_NEAR(params.zPD / DBL_MAX, -1.0, 1e-14);
    EXPECT_EQ(params.CurrentShellFile, docs.File("big.cfg"));
}

// Folders, devices, pipes and files beyond 64 MB (sparse here) are refused
// at once with a message, never read (a pipe with no writer, or /dev/zero,
// would hang or eat memory), as parameter and as language files.
TEST_F(BadFileTest, WhatIsNoTextFileIsRefused) {
    const std::string fifo = docs.File("pipe"), folder = docs.File("folder"), huge = docs.File("huge.cfg");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    docs.Write("huge.cfg", "SD=9\r\n");
    ASSERT_EQ(::truncate(huge.c_str(), (64 << 20) + 1), 0);
    params.zSD = 8;
    for (std::string path : {folder, fifo, huge, std::string("/dev/zero"), std::string("/dev/urandom")}) {
        dialogs.messages.clear();
        table["101"] = "stale";
        app::LoadParameterFile(env, params, path);
        EXPECT_EQ(text::LoadResourceFile(env, table, path), 1) << path;
        ASSERT_EQ(dialogs.messages.size(), 2u) << path;
        EXPECT_EQ(dialogs.messages[0].title, "Trying to open parameters file " + path);
        EXPECT_EQ(dialogs.messages[1].title, "Failed to open " + path + " as a resource file");
        EXPECT_TRUE(params.zSD == 8 && params.CurrentShellFile.empty() && table.empty()) << path;
    }
}

// After a good header, junk lines are skipped and the valid
// lines among them loaded: a megabyte text and NUL bytes kept whole, an ID
// out of 16 bits or not a number no resource line, a fractional one rounded
// half to even, lines past 32,767 read. Odd UTF-16 byte counts lose only the
// stray byte; an unpaired surrogate breaks neither its line nor the file.
// A header with a NUL is no header: -1, an empty table and the format message.
TEST_F(BadFileTest, LanguageFileJunk) {
    const std::string junk = Junk(64 * 1024, 9, "\r\n"), big(1 << 20, 'w'), nul(1, '\0');
    std::string comments;
    for (int i = 0; i < 40000; ++i) comments += "; comment line " + std::to_string(i) + "\r\n";
    EXPECT_EQ(LoadLanguage("PLYX3RESOURCES\r\n" + junk + "\r\n101,Save\r\n" + junk + "\r\n103,Exit\r\n104," + big + "\r\n" +
                           big + "\r\n105,a" + nul + "b\r\n1" + nul + "06,x\r\n1E400,a\r\n99999999999999999999,b\r\n" +
                           "&HFFFFFFFFF,c\r\n32767.5,d\r\n102.5,e\r\n-32768,f\r\n" + comments + "107,end\r\n"),
              0);
    const std::pair<text::ResourceId, std::string> expected[] = {
        {101, "Save"}, {103, "Exit"}, {104, big}, {105, "a" + nul + "b"}, {102, "e"}, {-32768, "f"}, {107, "end"}};
    for (const auto& [id, text] : expected) EXPECT_EQ(Text(id), text) << id;
    EXPECT_EQ(table.size(), std::size(expected));
    EXPECT_EQ(LoadLanguage("\xFF\xFE" + platform::EncodeUtf16Le("PLYX3RESOURCES\r\n" + comments + "103,Exit\r\n101,A") +
                           std::string("\x00\xD8", 2) + platform::EncodeUtf16Le("B\r\n40000,big\r\n-32769,small") + "X"),
              0);
    EXPECT_EQ(Text(103), "Exit");
    EXPECT_EQ(Text(101).front() + std::string(1, Text(101).back()), "AB");
    EXPECT_EQ(table.size(), 2u);  // 40000 does not wrap into another ID
    // A byte-order mark plus one byte holds no text: an empty file, 1 without a message.
    EXPECT_EQ(LoadLanguage("\xFF\xFE" "P"), 1);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(LoadLanguage("PLYX3" + nul + "RESOURCES\r\n101,a\r\n"), -1);
    EXPECT_TRUE(table.empty());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Requested Language file is not properly formatted\r\n" + docs.File("bad.lng"));
}

}  // namespace
}  // namespace plyx::test
