#include "link/Copyright.h"

#include <vector>

#include "link/LinkText.h"

namespace plyx::link {
namespace {

std::vector<std::string> SplitAtBlank(std::string_view s) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        std::size_t at = s.find(' ', start);
        if (at == std::string_view::npos) {
            out.emplace_back(s.substr(start));
            return out;
        }
        out.emplace_back(s.substr(start, at - start));
        start = at + 1;
    }
}

}  // namespace

bool IsNumericWord(std::string_view w) {
    std::size_t i = 0;
    if (i < w.size() && (w[i] == '+' || w[i] == '-')) ++i;
    bool digits = false, dot = false;
    for (; i < w.size(); ++i) {
        char c = w[i];
        if (c >= '0' && c <= '9') digits = true;
        else if (c == '.' && !dot) dot = true;
        else break;
    }
    if (!digits) return false;
    if (i < w.size() && (w[i] == 'e' || w[i] == 'E')) {
        ++i;
        if (i < w.size() && (w[i] == '+' || w[i] == '-')) ++i;
        bool expDigits = false;
        while (i < w.size() && w[i] >= '0' && w[i] <= '9') {
            ++i;
            expDigits = true;
        }
        if (!expDigits) return false;
    }
    return i == w.size();
}

FirmwareId ExtractFromCopyright(std::string_view copyright) {
    std::string text;
    text.reserve(copyright.size() + 16);
    for (std::size_t i = 0; i < copyright.size(); ++i) {
        char c = copyright[i];
        if (c == '\r' || c == '\n' || c == ':' || c == '$') {
            text += ' ';
        } else if (c == '\xC2' && i + 1 < copyright.size() && copyright[i + 1] == '\xA9') {
            text += " COPYRIGHT ";
            ++i;
        } else {
            text += c;
        }
    }
    text = TrimBlanks(text);
    FirmwareId id;
    if (text.empty()) return id;
    std::vector<std::string> words = SplitAtBlank(text);
    id.name = words[0];
    id.version = "BETA";
    for (std::size_t i = 1; i < words.size(); ++i) {
        if (UpperAscii(std::string_view(words[i]).substr(0, 9)) == "COPYRIGHT") break;
        if (IsNumericWord(words[i])) {
            id.version = words[i];
            break;
        }
    }
    return id;
}

std::int32_t WhichCopyright(std::string_view copyright, std::string_view strFirmwareNames) {
    if (strFirmwareNames.empty()) return 0;
    std::string upper = UpperAscii(copyright);
    std::vector<std::string> names = SplitAtBlank(strFirmwareNames);
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::string name = UpperAscii(names[i]);
        if (upper.compare(0, name.size(), name) == 0 && upper.size() >= name.size())
            return static_cast<std::int32_t>(i + 1);
    }
    return 0;
}

}  // namespace plyx::link
