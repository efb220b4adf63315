#include "scenario.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>

#include "drive_keys.h"

namespace scenariofile {
namespace {

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// Drops a "#" comment that is not inside quotes.
std::string StripComment(const std::string& line) {
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') quoted = !quoted;
        if (line[i] == '#' && !quoted) return line.substr(0, i);
    }
    return line;
}

// A quoted value keeps its inner spaces; a bare value is taken as written.
std::string Unquote(const std::string& value, int lineNumber) {
    if (value.empty() || value.front() != '"') return value;
    if (value.size() < 2 || value.back() != '"') {
        throw ScenarioError("line " + std::to_string(lineNumber) + ": unterminated quotes");
    }
    return value.substr(1, value.size() - 2);
}

int Number(const std::string& value, int lineNumber, int min, int max) {
    char* end = nullptr;
    const long n = std::strtol(value.c_str(), &end, 0);
    if (value.empty() || *end != '\0' || n < min || n > max) {
        throw ScenarioError("line " + std::to_string(lineNumber) + ": " + value +
                            " is not a number from " + std::to_string(min) + " to " +
                            std::to_string(max));
    }
    return static_cast<int>(n);
}

}  // namespace

Scenario ParseScenario(std::istream& in) {
    Scenario scenario;
    int declaredAdapters = -1;
    DriveSlot* drive = nullptr;
    std::string raw;
    for (int lineNumber = 1; std::getline(in, raw); ++lineNumber) {
        const std::string line = Trim(StripComment(raw));
        if (line.empty()) continue;
        if (line == "[drive]") {
            scenario.drives.emplace_back();
            drive = &scenario.drives.back();
            drive->adapter = static_cast<int>(scenario.drives.size()) - 1;
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string::npos) {
            throw ScenarioError("line " + std::to_string(lineNumber) + ": expected key = value or [drive]");
        }
        const std::string key = Trim(line.substr(0, equals));
        const std::string value = Unquote(Trim(line.substr(equals + 1)), lineNumber);
        if (drive == nullptr) {
            if (key == "support_status") {
                scenario.supportStatus = static_cast<std::uint8_t>(Number(value, lineNumber, 0, 255));
            } else if (key == "adapters") {
                declaredAdapters = Number(value, lineNumber, 0, 255);
            } else if (key == "event_signal_delay_ms") {
                scenario.eventSignalDelayMs = Number(value, lineNumber, 0, 1000);
            } else if (key == "check_condition_completes") {
                scenario.checkConditionCompletes = Number(value, lineNumber, 0, 1) == 1;
            } else if (key == "signal_before_status") {
                scenario.signalBeforeStatus = Number(value, lineNumber, 0, 1) == 1;
            } else if (key == "refuse_with") {
                scenario.refuseWith = Number(value, lineNumber, 0, 255);
            } else {
                throw ScenarioError("line " + std::to_string(lineNumber) + ": unknown key " + key);
            }
        } else if (key == "adapter") {
            drive->adapter = Number(value, lineNumber, 0, 254);
        } else if (key == "target") {
            drive->target = Number(value, lineNumber, 0, 15);
        } else if (key == "lun") {
            drive->lun = Number(value, lineNumber, 0, 7);
        } else {
            try {
                if (!ApplyDriveKey(drive->config, key, value)) {
                    throw ScenarioError("unknown drive key " + key);
                }
            } catch (const ScenarioError& e) {
                throw ScenarioError("line " + std::to_string(lineNumber) + ": " + e.what());
            }
        }
    }
    int needed = 0;
    for (const DriveSlot& d : scenario.drives) needed = std::max(needed, d.adapter + 1);
    scenario.adapterCount = declaredAdapters >= 0 ? declaredAdapters : needed;
    return scenario;
}

Scenario LoadScenario(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw ScenarioError("cannot open " + path);
    return ParseScenario(in);
}

std::string Summary(const std::string& path, const Scenario& scenario) {
    return "scenario " + path + " drives=" + std::to_string(scenario.drives.size()) +
           " adapters=" + std::to_string(scenario.adapterCount);
}

}  // namespace scenariofile
