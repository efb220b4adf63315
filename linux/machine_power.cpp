#include "machine_power.h"

#include <systemd/sd-bus.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

#include "run_log_file.h"
#include "run_log_text.h"

namespace nflash {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kCallTimeoutMicroseconds = 2'000'000;
constexpr char kUPower[] = "org.freedesktop.UPower";
constexpr char kUPowerPath[] = "/org/freedesktop/UPower";
constexpr char kDisplayDevice[] = "/org/freedesktop/UPower/devices/DisplayDevice";
constexpr char kDeviceInterface[] = "org.freedesktop.UPower.Device";
constexpr std::uint32_t kUPowerBattery = 2;  // the Device's Type

struct BusCloser {
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};

template <typename T>
std::optional<T> Property(sd_bus* bus, const char* path, const char* interface, const char* name, char type) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    T value{};
    const int got = sd_bus_get_property_trivial(bus, kUPower, path, interface, name, &error, type, &value);
    sd_bus_error_free(&error);
    if (got < 0) return std::nullopt;
    return value;
}

std::string FirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

std::optional<int> Percent(double value) {
    if (value < 0.0 || value > 100.0) return std::nullopt;
    return static_cast<int>(value);
}

}  // namespace

std::optional<PowerState> PowerFromUPower() {
    sd_bus* raw = nullptr;
    if (sd_bus_open_system(&raw) < 0) return std::nullopt;
    const std::unique_ptr<sd_bus, BusCloser> bus(raw);
    sd_bus_set_method_call_timeout(bus.get(), kCallTimeoutMicroseconds);
    const auto onBattery = Property<int>(bus.get(), kUPowerPath, kUPower, "OnBattery", 'b');
    if (!onBattery) return std::nullopt;
    const auto present = Property<int>(bus.get(), kDisplayDevice, kDeviceInterface, "IsPresent", 'b');
    const auto type = Property<std::uint32_t>(bus.get(), kDisplayDevice, kDeviceInterface, "Type", 'u');
    const auto percentage = Property<double>(bus.get(), kDisplayDevice, kDeviceInterface, "Percentage", 'd');
    const bool battery = present.value_or(0) != 0 && type.value_or(0) == kUPowerBattery;
    PowerState state;
    if (battery && percentage) state.batteryPercent = Percent(*percentage);
    state.source = *onBattery ? PowerSource::Battery : battery ? PowerSource::Mains : PowerSource::NoBattery;
    return state;
}

PowerState PowerFromSysfs(const fs::path& sys) {
    const fs::path supplies = sys / "class" / "power_supply";
    std::error_code error;
    if (!fs::is_directory(supplies, error)) return {};
    PowerState state{PowerSource::NoBattery, std::nullopt};
    bool online = false;
    bool battery = false;
    for (const fs::directory_entry& supply : fs::directory_iterator(supplies, error)) {
        const std::string type = FirstLine(supply.path() / "type");
        if (type == "Mains" || type == "USB") {
            online = online || FirstLine(supply.path() / "online") == "1";
        } else if (type == "Battery" && FirstLine(supply.path() / "scope") != "Device" &&
                   FirstLine(supply.path() / "present") != "0") {
            battery = true;
            const std::string capacity = FirstLine(supply.path() / "capacity");
            if (!capacity.empty() && capacity.find_first_not_of("0123456789") == std::string::npos &&
                capacity.size() <= 3) {
                state.batteryPercent = Percent(std::stod(capacity));
            }
        }
    }
    if (online) state.source = PowerSource::Mains;
    else if (battery) state.source = PowerSource::Battery;
    return state;
}

PowerState ReadPowerState(const SystemPaths& paths) {
    if (const std::optional<PowerState> upower = PowerFromUPower()) return *upower;
    return PowerFromSysfs(paths.sys);
}

bool PowerAllowsFlash(RunReport& report, ProgramContext& context, bool dryRun, Console& console) {
    const PowerState state = ReadPowerState(context.paths);
    if (context.log != nullptr) context.log->Line(PowerLogLine(state));
    const PowerJudgement judgement = JudgePower(state);
    if (judgement.verdict == PowerVerdict::Go) return true;
    if (judgement.verdict == PowerVerdict::Refuse && !dryRun) {
        Stop(report, ExitCode::Refused, "refused, nothing was sent: " + judgement.text);
        return false;
    }
    const std::string warning =
        judgement.verdict == PowerVerdict::Refuse ? "a real flash would be refused: " + judgement.text : judgement.text;
    report.warnings.push_back(warning);
    console.Warn(warning);
    if (context.log != nullptr) context.log->Line(WarningLogLine(warning));
    return true;
}

}  // namespace nflash
