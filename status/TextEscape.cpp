#include "status/TextEscape.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace plyx::status {

std::string ValidUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = 0;
        unsigned min = 0;
        unsigned cp = 0;
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        if (c >= 0xC2 && c <= 0xDF) { n = 1; cp = c & 0x1Fu; min = 0x80; }
        else if (c >= 0xE0 && c <= 0xEF) { n = 2; cp = c & 0x0Fu; min = 0x800; }
        else if (c >= 0xF0 && c <= 0xF4) { n = 3; cp = c & 0x07u; min = 0x10000; }
        bool ok = n > 0;
        for (std::size_t k = 1; ok && k <= n; ++k) {
            if (i + k >= s.size()) { ok = false; break; }
            const auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0u) != 0x80u) ok = false;
            else cp = (cp << 6) | (cc & 0x3Fu);
        }
        // Overlong forms, surrogates and values past U+10FFFF are no UTF-8.
        if (ok && (cp < min || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)) ok = false;
        if (ok) {
            out.append(s.substr(i, n + 1));
            i += n + 1;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

std::string JsonString(std::string_view text) {
    const std::string valid = ValidUtf8(text);
    std::string out = "\"";
    for (char ch : valid) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            // "<" escaped: the text can never close a script element.
            case '<': out += "\\u003c"; break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += ch;
                }
        }
    }
    return out + "\"";
}

std::string JsonNumber(double value) {
    if (!std::isfinite(value)) return "null";
    return PromNumber(value);
}

std::string HtmlEscape(std::string_view text) {
    const std::string valid = ValidUtf8(text);
    std::string out;
    out.reserve(valid.size());
    for (char c : valid) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default:
                // Control characters have no place in a page's text.
                if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n') out += ' ';
                else out += c;
        }
    }
    return out;
}

std::string PromNumber(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "+Inf" : "-Inf";
    if (value == 0) return "0";  // also -0
    // The shortest text that reads back as the same number.
    char buf[40];
    const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general);
    return std::string(buf, r.ptr);
}

std::string PromLabelValue(std::string_view text) {
    const std::string valid = ValidUtf8(text);
    std::string out;
    for (char c : valid) {
        if (c == '\\') out += "\\\\";
        else if (c == '"') out += "\\\"";
        else if (c == '\n') out += "\\n";
        else out += c;
    }
    return out;
}

std::string PromHelp(std::string_view text) {
    std::string out;
    for (char c : ValidUtf8(text)) {
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else out += c;
    }
    return out;
}

}  // namespace plyx::status
