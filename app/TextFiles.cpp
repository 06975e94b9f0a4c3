#include "app/TextFiles.h"

#include "platform/Files.h"

namespace plyx::app {

std::optional<std::string> ReadFileBytes(const std::string& path, int& err, std::size_t maxBytes) {
    return platform::ReadWholeFile(path, err, maxBytes);
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    const std::size_t n = text.size();
    while (start < n) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < n && text[start] == '\n') ++start;
    }
    return lines;
}

std::string_view TrimSpaces(std::string_view text) {
    std::size_t b = text.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    std::size_t e = text.find_last_not_of(' ');
    return text.substr(b, e - b + 1);
}

}  // namespace plyx::app
