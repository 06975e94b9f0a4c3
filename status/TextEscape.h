#pragma once
// Texts from files and the dictionary on their way into the page, the JSON
// and the metrics: made valid UTF-8 (a file's Latin-1 byte becomes U+FFFD)
// and escaped for where they go.
#include <string>
#include <string_view>

namespace plyx::status {

// Every sequence that is not valid UTF-8 replaced by U+FFFD.
std::string ValidUtf8(std::string_view text);

// A JSON string literal, quotes included.
std::string JsonString(std::string_view text);
// A JSON number; null for NaN and the infinities.
std::string JsonNumber(double value);

// Text and attribute values in HTML.
std::string HtmlEscape(std::string_view text);

// A number as the text exposition format writes it: "+Inf", "-Inf", "NaN",
// whole numbers without exponent or point, others with 17 significant digits.
std::string PromNumber(double value);
// A label value in the text exposition format: \ " and line feed escaped.
std::string PromLabelValue(std::string_view text);
// A HELP text: \ and line feed escaped.
std::string PromHelp(std::string_view text);

}  // namespace plyx::status
