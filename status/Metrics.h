#pragma once
// The snapshot in the Prometheus text exposition format (version 0.0.4):
// every series labelled with the instance's port.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "status/StatusSnapshot.h"

namespace plyx::status {

inline constexpr std::string_view kMetricsContentType = "text/plain; version=0.0.4; charset=utf-8";

using Labels = std::vector<std::pair<std::string, std::string>>;

// Writes metric families: a HELP and a TYPE line, then the family's samples.
class ExpositionWriter {
public:
    // Labels every sample carries, before its own.
    explicit ExpositionWriter(Labels common) : common_(std::move(common)) {}
    void Family(std::string_view name, std::string_view type, std::string_view help);
    void Sample(std::string_view name, const Labels& labels, double value);
    void Sample(std::string_view name, double value) { Sample(name, {}, value); }
    std::string Take() { return std::move(text_); }

private:
    Labels common_;
    std::string text_;
};

std::string MetricsText(const StatusSnapshot& s);

}  // namespace plyx::status
