// Malformed language files, made here, through the loader the program uses
// (UTF-16 first, then 8-bit). Expected: no crash, no hang; a file that is
// not a language file leaves its table empty with result -1 and the
// "not properly formatted" message; one that cannot be read gives 1 and an
// error report; a good header loads every valid line however odd the rest.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "tests/app/CoreFixture.h"
#include "tests/reliability/ReliabilityUtil.h"
#include "text/Resources.h"

namespace plyx::test {
namespace {

class BadLanguageFileTest : public CoreFixture {
protected:
    std::string File(const std::string& name) { return docs.path() + "/" + name; }

    std::int16_t Load(const std::string& bytes, const std::string& name = "bad.lng") {
        WriteBytes(File(name), bytes);
        path = File(name);
        return text::LoadResourceFile(env, table, path);
    }
    std::string Text(text::ResourceId id) const {
        auto it = table.find(text::ResourceKey(id));
        return it == table.end() ? "<none>" : it->second;
    }

    text::TextTable table;
    std::string path;
};

// Junk without the header in either encoding: -1, empty table, the format
// message, no current language file.
TEST_F(BadLanguageFileTest, BinaryJunkIsNotALanguageFile) {
    for (std::uint32_t seed = 1; seed <= 4; ++seed) {
        table["101"] = "stale";
        EXPECT_EQ(Load(Junk(128 * 1024, seed)), -1);
        EXPECT_TRUE(table.empty());
        EXPECT_EQ(tables.CurrentResourceFile, "");
    }
    ASSERT_EQ(dialogs.messages.size(), 4u);
    EXPECT_EQ(dialogs.messages[0].text, "Requested Language file is not properly formatted\r\n" + File("bad.lng"));
}

// A good header followed by junk: the junk lines are skipped, the valid
// lines among them are loaded, no message. A megabyte text and NUL bytes in
// a text are kept whole. An ID out of 16 bits or not a number makes no
// resource line; a fractional one rounds half to even. A header with a NUL
// in it is no header.
TEST_F(BadLanguageFileTest, JunkAfterAGoodHeaderIsSkipped) {
    std::string junk = Junk(64 * 1024, 9);
    for (char& c : junk)
        if (c == '\r' || c == '\n') c = ',';
    const std::string big(1 << 20, 'w'), nul(1, '\0');
    EXPECT_EQ(Load("PLYX3RESOURCES\r\n" + junk + "\r\n101,Save\r\n" + junk + "\r\n103,Exit\r\n104," + big +
                   "\r\n" + big + "\r\n105,a" + nul + "b\r\n1" + nul + "06,x\r\n1E400,a\r\n99999999999999999999,b\r\n"
                   "&HFFFFFFFFF,c\r\n32767.5,d\r\n102.5,e\r\n-32768,f\r\n"),
              0);
    const std::pair<text::ResourceId, std::string> expected[] = {
        {101, "Save"}, {103, "Exit"}, {104, big}, {105, "a" + nul + "b"}, {102, "e"}, {-32768, "f"}};
    for (const auto& [id, text] : expected) EXPECT_EQ(Text(id), text) << id;
    EXPECT_EQ(table.size(), 6u);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(Load("PLYX3" + nul + "RESOURCES\r\n101,a\r\n"), -1);
    EXPECT_TRUE(table.empty());
}

// Odd byte counts in UTF-16: the stray last byte is dropped, every whole
// line is read; the same with a byte-order mark.
TEST_F(BadLanguageFileTest, OddUtf16ByteCounts) {
    const std::string body = Utf16Le("PLYX3RESOURCES\r\n101,Save\r\n103,Exit");
    EXPECT_EQ(Load(body + "X"), 0);
    EXPECT_EQ(Text(101), "Save");
    EXPECT_EQ(Text(103), "Exit");
    EXPECT_EQ(Load("\xFF\xFE" + body + "\x01"), 0);
    EXPECT_EQ(Text(103), "Exit");
    // A single byte, and a byte-order mark plus one byte, hold no UTF-16
    // text at all: the first pass finds the file empty, and an empty file
    // is result 1 without a second pass.
    EXPECT_EQ(Load("P"), 1);
    EXPECT_EQ(Load("\xFF\xFE" "P"), 1);
    EXPECT_TRUE(dialogs.messages.empty());
}

// Unpaired UTF-16 surrogates and an ID outside 16 bits: the surrogate does
// not break the rest of the line or the file; the out-of-range ID is not a
// resource line.
TEST_F(BadLanguageFileTest, BadUtf16UnitsAndIds) {
    std::string bytes = Utf16Le("PLYX3RESOURCES\r\n101,A");
    bytes += std::string("\x00\xD8", 2);  // high surrogate with no partner
    bytes += Utf16Le("B\r\n40000,big\r\n-32769,small\r\n103,Exit\r\n");
    EXPECT_EQ(Load(bytes), 0);
    const std::string t = Text(101);
    EXPECT_EQ(t.front(), 'A');
    EXPECT_EQ(t.back(), 'B');
    EXPECT_EQ(table.count("-31536"), 0u);  // 40000 does not wrap into another ID
    EXPECT_EQ(table.size(), 2u);
    EXPECT_EQ(Text(103), "Exit");
}

// More than 32,767 lines: the line counter does not overflow, and lines
// past 32,767 still load (also in UTF-16).
TEST_F(BadLanguageFileTest, MoreThan32767Lines) {
    std::string text = "PLYX3RESOURCES\r\n";
    for (int i = 0; i < 40000; ++i) text += "; comment line " + std::to_string(i) + "\r\n";
    text += "101,Past the end\r\n";
    EXPECT_EQ(Load(text), 0);
    EXPECT_EQ(Text(101), "Past the end");
    EXPECT_EQ(Load("\xFF\xFE" + Utf16Le(text)), 0);
    EXPECT_EQ(Text(101), "Past the end");
}

// A folder or a pipe named as the language file (a RESOURCEFILE line can
// name anything): result 1 and "Failed to open <path> as a resource file",
// never waited on. An empty file: result 1, no message.
TEST_F(BadLanguageFileTest, FoldersPipesAndEmptyFiles) {
    const std::string folder = File("folder.lng"), fifo = File("pipe.lng");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& p : {folder, fifo}) {
        table["101"] = "stale";
        dialogs.messages.clear();
        path = p;
        EXPECT_EQ(text::LoadResourceFile(env, table, path), 1) << p;
        ASSERT_EQ(dialogs.messages.size(), 1u) << p;
        EXPECT_EQ(dialogs.messages[0].title, "Failed to open " + p + " as a resource file");
        EXPECT_TRUE(table.empty());
    }
    EXPECT_EQ(Load(""), 1);
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

}  // namespace
}  // namespace plyx::test
