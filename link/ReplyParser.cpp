#include "link/ReplyParser.h"

#include <cstdint>

#include "link/LinkText.h"

namespace plyx::link {
namespace {

std::vector<std::string> SplitAt(std::string_view s, char sep) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        std::size_t at = s.find(sep, start);
        if (at == std::string_view::npos) {
            out.emplace_back(s.substr(start));
            return out;
        }
        out.emplace_back(s.substr(start, at - start));
        start = at + 1;
    }
}

bool IsMotorName(const std::string& f) {
    return f == "R" || f == "S" || f == "X" || f == "Y" || (!f.empty() && f[0] == 'M');
}

}  // namespace

std::string HexFieldToDecimal(std::string_view field) {
    std::string f = TrimBlanks(field);
    bool negative = !f.empty() && f[0] == '-';
    std::string_view digits = std::string_view(f).substr(negative ? 1 : 0);
    if (digits.empty() || digits.size() > 8) return "0";
    std::uint32_t u = 0;
    for (char c : digits) {
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else return "0";
        u = (u << 4) | static_cast<std::uint32_t>(d);
    }
    // Up to four digits read as a 16-bit value, more as a 32-bit value,
    // the way the controller firmware writes signed registers.
    std::int64_t v = digits.size() <= 4 ? static_cast<std::int16_t>(static_cast<std::uint16_t>(u))
                                        : static_cast<std::int32_t>(u);
    if (negative) v = -v;
    return std::to_string(v);
}

ParsedReply ParseReply(std::string_view response) {
    ParsedReply out;
    std::string text;
    text.reserve(response.size());
    for (char c : response)
        if (c != '\n') text += c;
    bool inBlock = false;
    for (std::string& line : SplitAt(text, '\r')) {
        if (inBlock) {
            if (line == "*") {
                inBlock = false;
            } else {
                std::string& cr = *out.copyright;
                if (!cr.empty()) cr += "\r\n";
                cr += line;
            }
            continue;
        }
        std::string clean;
        clean.reserve(line.size());
        for (char c : line)
            if (c != '*') clean += c;
        std::vector<std::string> fields;
        if (clean.find(';') != std::string::npos) {
            fields = SplitAt(clean, ';');
            for (std::size_t k = 1; k < fields.size(); ++k) fields[k] = HexFieldToDecimal(fields[k]);
        } else {
            fields = SplitAt(clean, ',');
        }
        if (fields.size() < 2) continue;
        if (IsMotorName(fields[0])) {
            const std::string& motor = fields[0];
            if (fields[1] == "-12") {
                inBlock = true;
                out.copyright = std::string();
            } else if (fields[1] == "0" && fields.size() >= 3 && fields.size() <= 13) {
                for (std::size_t k = 2; k < fields.size(); ++k)
                    out.values.push_back({motor, std::to_string(1 - static_cast<int>(k)), fields[k]});
            } else if (fields.size() == 3) {
                out.values.push_back({motor, fields[1], fields[2]});
            }
        }
        out.lastCommaResult = fields.back();
    }
    return out;
}

}  // namespace plyx::link
