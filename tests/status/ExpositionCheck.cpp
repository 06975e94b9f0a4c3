#include "ExpositionCheck.h"

#include <cmath>
#include <cstdlib>
#include <regex>
#include <set>
#include <sstream>

namespace plyx::status::test {
namespace {

const std::regex kName("[a-zA-Z_:][a-zA-Z0-9_:]*");
const std::regex kLabelName("[a-zA-Z_][a-zA-Z0-9_]*");

bool ParseValue(const std::string& s, double* v) {
    if (s == "+Inf" || s == "Inf") { *v = HUGE_VAL; return true; }
    if (s == "-Inf") { *v = -HUGE_VAL; return true; }
    if (s == "NaN") { *v = NAN; return true; }
    if (s.empty()) return false;
    char* end = nullptr;
    *v = std::strtod(s.c_str(), &end);
    return end == s.c_str() + s.size() && s.find_first_of("xXpP") == std::string::npos;
}

bool ValidUtf8(const std::string& s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const int n = c < 0x80 ? 0 : c >= 0xC2 && c <= 0xDF ? 1 : c >= 0xE0 && c <= 0xEF ? 2 : c >= 0xF0 && c <= 0xF4 ? 3 : -1;
        if (n < 0 || i + static_cast<std::size_t>(n) >= s.size() + (n == 0)) return false;  // cut short
        for (int k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]) & 0xC0) != 0x80) return false;
        i += static_cast<std::size_t>(n) + 1;
    }
    return true;
}

// name{a="b",...} value: false with why when the line is no sample.
bool ParseSample(const std::string& line, Series* s, std::string* why) {
    std::size_t i = 0;
    while (i < line.size() && line[i] != '{' && line[i] != ' ') ++i;
    s->name = line.substr(0, i);
    if (!std::regex_match(s->name, kName)) return *why = "bad metric name '" + s->name + "'", false;
    if (i < line.size() && line[i] == '{') {
        ++i;
        while (i < line.size() && line[i] != '}') {
            const std::size_t eq = line.find('=', i);
            if (eq == std::string::npos) return *why = "label without '='", false;
            const std::string key = line.substr(i, eq - i);
            if (!std::regex_match(key, kLabelName) || key.rfind("__", 0) == 0)
                return *why = "bad label name '" + key + "'", false;
            if (eq + 1 >= line.size() || line[eq + 1] != '"') return *why = "label value not quoted", false;
            std::string value;
            std::size_t j = eq + 2;
            for (; j < line.size() && line[j] != '"'; ++j) {
                if (line[j] != '\\') { value += line[j]; continue; }
                if (++j >= line.size()) break;
                if (line[j] == '\\' || line[j] == '"') value += line[j];
                else if (line[j] == 'n') value += '\n';
                else return *why = "bad escape in a label value", false;
            }
            if (j >= line.size()) return *why = "label value not closed", false;
            if (!s->labels.emplace(key, value).second) return *why = "label '" + key + "' twice", false;
            i = j + 1;
            if (i < line.size() && line[i] == ',') ++i;
        }
        if (i >= line.size()) return *why = "labels not closed", false;
        ++i;
    }
    if (i >= line.size() || line[i] != ' ') return *why = "no blank before the value", false;
    std::istringstream rest(line.substr(i + 1));
    std::string value, stamp, extra;
    rest >> value >> stamp >> extra;
    if (!ParseValue(value, &s->value)) return *why = "bad value '" + value + "'", false;
    if (!stamp.empty() && stamp.find_first_not_of("-0123456789") != std::string::npos) return *why = "bad timestamp", false;
    if (!extra.empty()) return *why = "text after the value", false;
    return true;
}

std::string FamilyOf(const std::string& name, const std::map<std::string, std::string>& types) {
    for (const char* suffix : {"_bucket", "_sum", "_count"}) {
        const std::string s = suffix;
        if (name.size() > s.size() && name.compare(name.size() - s.size(), s.size(), s) == 0) {
            const std::string base = name.substr(0, name.size() - s.size());
            auto t = types.find(base);
            if (t != types.end() && (t->second == "histogram" || t->second == "summary")) return base;
        }
    }
    return name;
}

}  // namespace

std::vector<std::string> ExpositionProblems(const std::string& text, std::vector<Series>* out) {
    std::vector<std::string> problems;
    auto problem = [&](int line, const std::string& what) { problems.push_back("line " + std::to_string(line) + ": " + what); };
    if (!ValidUtf8(text)) problems.push_back("not UTF-8");
    if (!text.empty() && text.back() != '\n') problems.push_back("the last line has no line end");
    std::map<std::string, std::string> types, helps;
    std::set<std::string> sampled, closed, seen;
    std::string current;
    std::vector<Series> series;
    std::istringstream in(text);
    std::string line;
    int n = 0;
    while (std::getline(in, line)) {
        ++n;
        if (line.empty()) continue;
        if (line[0] == '#') {
            std::istringstream words(line.substr(1));
            std::string kind, name;
            words >> kind >> name;
            if (kind != "HELP" && kind != "TYPE") continue;
            if (!std::regex_match(name, kName)) { problem(n, "bad name in " + kind); continue; }
            if (sampled.count(name)) problem(n, kind + " of " + name + " after its samples");
            if (kind == "TYPE") {
                std::string type, extra;
                words >> type >> extra;
                static const std::set<std::string> kTypes = {"counter", "gauge", "histogram", "summary", "untyped"};
                if (!kTypes.count(type) || !extra.empty()) problem(n, "bad type '" + type + "'");
                if (!types.emplace(name, type).second) problem(n, "second TYPE for " + name);
            } else {
                const std::size_t at = line.find(name) + name.size();
                const std::string help = at < line.size() ? line.substr(at + 1) : "";
                for (std::size_t k = 0; k < help.size(); ++k)
                    if (help[k] == '\\' && (k + 1 >= help.size() || (help[k + 1] != '\\' && help[k + 1] != 'n')))
                        problem(n, "bad escape in HELP of " + name);
                    else if (help[k] == '\\') ++k;
                if (!helps.emplace(name, help).second) problem(n, "second HELP for " + name);
            }
            continue;
        }
        Series s;
        std::string why;
        if (!ParseSample(line, &s, &why)) { problem(n, why); continue; }
        const std::string family = FamilyOf(s.name, types);
        if (family != current) {
            if (closed.count(family)) problem(n, "samples of " + family + " split into two blocks");
            if (!current.empty()) closed.insert(current);
            current = family;
        }
        sampled.insert(family);
        if (!types.count(family)) problem(n, family + " has no TYPE line");
        if (!helps.count(family)) problem(n, family + " has no HELP line");
        std::string key = s.name;
        for (const auto& [k, v] : s.labels) key += "|" + k + "=" + v;
        if (!seen.insert(key).second) problem(n, "series twice: " + key);
        auto type = types.find(family);
        if (type != types.end() && type->second == "counter") {
            if (s.name.size() < 6 || s.name.compare(s.name.size() - 6, 6, "_total") != 0)
                problem(n, "counter " + s.name + " does not end in _total");
            if (!(s.value >= 0)) problem(n, "counter " + s.name + " below 0");
        }
        series.push_back(s);
    }
    // Histograms: per label set, buckets rising in le and in count, +Inf last
    // and equal to _count, a _sum beside them.
    for (const auto& [family, type] : types) {
        if (type != "histogram") continue;
        std::map<std::string, std::vector<std::pair<double, double>>> buckets;
        std::map<std::string, double> counts;
        std::set<std::string> sums;
        for (const Series& s : series) {
            std::map<std::string, std::string> rest = s.labels;
            rest.erase("le");
            std::string key;
            for (const auto& [k, v] : rest) key += k + "=" + v + ",";
            if (s.name == family + "_bucket") {
                double le = 0;
                auto it = s.labels.find("le");
                if (it == s.labels.end() || !ParseValue(it->second, &le)) {
                    problems.push_back(family + ": a bucket without a number in le");
                    continue;
                }
                buckets[key].emplace_back(le, s.value);
            } else if (s.name == family + "_count") {
                counts[key] = s.value;
            } else if (s.name == family + "_sum") {
                sums.insert(key);
            }
        }
        if (buckets.empty()) problems.push_back(family + ": no buckets");
        for (const auto& [key, list] : buckets) {
            for (std::size_t k = 1; k < list.size(); ++k) {
                if (!(list[k].first > list[k - 1].first)) problems.push_back(family + ": le not rising");
                if (list[k].second < list[k - 1].second) problems.push_back(family + ": buckets not cumulative");
            }
            if (list.back().first != HUGE_VAL) problems.push_back(family + ": no +Inf bucket last");
            if (!counts.count(key)) problems.push_back(family + ": no _count");
            else if (counts[key] != list.back().second) problems.push_back(family + ": +Inf bucket differs from _count");
            if (!sums.count(key)) problems.push_back(family + ": no _sum");
        }
    }
    if (out != nullptr) *out = std::move(series);
    return problems;
}

}  // namespace plyx::status::test
