#include "app/ParameterChecks.h"

#include <cmath>

#include "app/Numbers.h"

namespace plyx::app {
namespace {

using P = ParameterSet;

enum class Rule { Positive, NonNegative };

struct Check {
    const char* key;
    Rule rule;
    double P::*real;
    std::int16_t P::*integer;
    bool rounded;  // read rounded half-even rather than down
};

// Reals and counts that the dialog wants above 0; percentages and counts
// where 0 means "none" (a finishing file's TARC=0, ASAPL=0) may be 0.
// MSPS is no dialog field, but a count of microsteps under 1 turns every
// length and rate upside down.
constexpr Check kChecks[] = {
    {"SD", Rule::Positive, &P::zSD, nullptr, false},
    {"PD", Rule::Positive, &P::zPD, nullptr, false},
    {"TS", Rule::Positive, &P::zTS, nullptr, false},
    {"TRS", Rule::Positive, &P::zTRS, nullptr, false},
    {"TLC", Rule::Positive, nullptr, &P::cTLC, false},
    {"MRC", Rule::Positive, nullptr, &P::cMRC, false},
    {"ASAPL", Rule::NonNegative, &P::zASAPL, nullptr, false},
    {"BRIP", Rule::NonNegative, &P::zBRIP, nullptr, false},
    {"BLC", Rule::Positive, nullptr, &P::cBLC, false},
    {"LAYERPATTERN", Rule::NonNegative, nullptr, &P::fLayerPattern, false},
    {"MISP", Rule::NonNegative, &P::zMISP, nullptr, false},
    {"TARC", Rule::NonNegative, nullptr, &P::cTARC, true},
    {"TASP", Rule::NonNegative, &P::zTASP, nullptr, false},
    {"TASIP", Rule::NonNegative, &P::zTASIP, nullptr, false},
    {"PAVP", Rule::NonNegative, nullptr, &P::cPAVP, true},
    {"MRFL", Rule::Positive, &P::zMRFL, nullptr, false},
    {"MRSL", Rule::Positive, &P::zMRSL, nullptr, false},
    {"MRSI", Rule::Positive, &P::zMRSI, nullptr, false},
    {"TARFL", Rule::Positive, &P::zTARFL, nullptr, false},
    {"TARSL", Rule::Positive, &P::zTARSL, nullptr, false},
    {"TRI", Rule::Positive, &P::zTRI, nullptr, false},
    {"SSR", Rule::Positive, &P::zSSR, nullptr, false},
    {"RR", Rule::Positive, &P::zRR, nullptr, false},
    {"DSF", Rule::Positive, &P::zDSF, nullptr, false},
    {"MSPS", Rule::Positive, nullptr, &P::cMSPS, false},
};

double ValueOf(const P& p, const Check& c) { return c.real != nullptr ? p.*c.real : p.*c.integer; }

bool Usable(const Check& c, double value) {
    if (!std::isfinite(value)) return false;
    return c.rule == Rule::Positive ? value > 0 : value >= 0;
}

// A file's count that the 16-bit field cannot hold reads as 0.
bool FitsField(const Check& c, double number) {
    if (c.integer == nullptr) return true;
    if (c.rounded) return ToInt16(number).has_value();
    return number > -32767.0 && number < 32767.0;
}

std::string RuleText(const Check& c) {
    if (c.integer != nullptr)
        return c.rule == Rule::Positive ? "must be a whole number from 1 to 32766"
                                        : "must be a whole number from 0 to 32766";
    return c.rule == Rule::Positive ? "must be > 0" : "must be 0 or more";
}

}  // namespace

std::vector<UnusableValue> UnusableValues(const ParameterSet& params) {
    std::vector<UnusableValue> out;
    for (const Check& c : kChecks)
        if (!Usable(c, ValueOf(params, c))) out.push_back({c.key, NumberText(ValueOf(params, c)), RuleText(c)});
    return out;
}

std::vector<UnusableValue> UnusableValues(const ParameterSet& params,
                                          const std::vector<std::pair<std::string, std::string>>& readValues) {
    std::vector<UnusableValue> out;
    for (const Check& c : kChecks) {
        const std::string* text = nullptr;
        for (const auto& [key, value] : readValues)
            if (key == c.key) text = &value;
        if (text == nullptr) continue;
        if (Usable(c, ValueOf(params, c)) && FitsField(c, Val(*text))) continue;
        // A message box shows it: a value of a whole line of junk is cut short.
        constexpr std::size_t kShown = 40;
        out.push_back({c.key, text->size() > kShown ? text->substr(0, kShown) + "..." : *text, RuleText(c)});
    }
    return out;
}

std::string ListOf(const std::vector<UnusableValue>& values) {
    std::string out;
    for (const UnusableValue& v : values) {
        if (!out.empty()) out += ", ";
        out += v.key + "=" + v.value;
    }
    return out;
}

}  // namespace plyx::app
