// Reads the TOML manifest into a Manifest. Limits are checked later, against
// the loaded images (package_rules.cpp); here only the shape is.

#define TOML_EXCEPTIONS 0
#include <toml++/toml.h>

#include <algorithm>
#include <fstream>
#include <initializer_list>
#include <sstream>

#include "manifest.h"

namespace pack {
namespace {

namespace fs = std::filesystem;

Error Bad(const std::string& where, const std::string& what) {
    return Error{ExitCode::kBadInput, "manifest: " + where + ": " + what};
}

std::optional<Error> CheckKeys(const toml::table& table, std::initializer_list<std::string_view> allowed,
                               const std::string& where) {
    for (auto&& [key, node] : table) {
        if (std::find(allowed.begin(), allowed.end(), key.str()) == allowed.end()) {
            return Bad(where, "unknown key \"" + std::string(key.str()) + "\"");
        }
    }
    return std::nullopt;
}

// A missing string reads as empty unless it is required.
std::optional<Error> GetString(const toml::table& table, std::string_view key, const std::string& where,
                               std::string& out, bool required) {
    const toml::node* node = table.get(key);
    if (!node) {
        if (required) return Bad(where, "\"" + std::string(key) + "\" is required");
        out.clear();
        return std::nullopt;
    }
    if (!node->is_string()) return Bad(where, "\"" + std::string(key) + "\" must be a string");
    out = node->as_string()->get();
    return std::nullopt;
}

std::optional<Error> ReadSettingsTable(const toml::node* node, SettingValues& values) {
    if (!node) return std::nullopt;
    const toml::table* table = node->as_table();
    if (!table) return Bad("settings", "must be a table");
    for (auto&& [key, value] : *table) {
        // A named copy: clang before 16 cannot capture a structured binding.
        const std::string_view name = key.str();
        const auto known = std::find_if(kSettingKeys.begin(), kSettingKeys.end(),
                                        [&](const SettingKey& s) { return s.name == name; });
        if (known == kSettingKeys.end()) {
            const std::string hint = key.str() == "how_many_bin" ? " (it is the number of [[bank]] entries)" : "";
            return Bad("settings", "unknown key \"" + std::string(key.str()) + "\"" + hint);
        }
        if (!value.is_integer()) return Bad("settings", "\"" + std::string(key.str()) + "\" must be an integer");
        values[static_cast<std::size_t>(known - kSettingKeys.begin())] = value.as_integer()->get();
    }
    return std::nullopt;
}

std::optional<Error> ReadSlot(const toml::node& node, const std::string& where, SlotRule& slot) {
    const toml::table* table = node.as_table();
    if (!table) return Bad(where, "must be a table");
    if (auto e = CheckKeys(*table, {"unfilled", "min_revision", "max_revision", "vendor", "product"}, where)) return e;
    if (const toml::node* unfilled = table->get("unfilled")) {
        if (!unfilled->is_boolean()) return Bad(where, "\"unfilled\" must be true or false");
        slot.unfilled = unfilled->as_boolean()->get();
        if (slot.unfilled && table->size() > 1) return Bad(where, "an unfilled slot takes no other keys");
    }
    if (auto e = GetString(*table, "min_revision", where, slot.minRevision, false)) return e;
    if (auto e = GetString(*table, "max_revision", where, slot.maxRevision, false)) return e;
    if (auto e = GetString(*table, "vendor", where, slot.vendor, false)) return e;
    return GetString(*table, "product", where, slot.product, false);
}

std::optional<Error> ReadBank(const toml::node& node, const std::string& where, const fs::path& folder,
                              ManifestBank& bank) {
    const toml::table* table = node.as_table();
    if (!table) return Bad(where, "must be a table");
    if (auto e = CheckKeys(*table, {"image", "new_revision", "start", "slot"}, where)) return e;
    std::string image;
    if (auto e = GetString(*table, "image", where, image, true)) return e;
    bank.image = folder / fs::path(image);
    if (auto e = GetString(*table, "new_revision", where, bank.newRevision, true)) return e;
    if (const toml::node* start = table->get("start")) {
        if (!start->is_integer()) return Bad(where, "\"start\" must be an integer");
        bank.start = start->as_integer()->get();
    }
    const toml::node* slots = table->get("slot");
    if (!slots) return std::nullopt;
    const toml::array* list = slots->as_array();
    if (!list) return Bad(where, "\"slot\" must be written as [[bank.slot]] entries");
    for (std::size_t i = 0; i < list->size(); ++i) {
        SlotRule slot;
        if (auto e = ReadSlot(*list->get(i), where + " slot " + std::to_string(i + 1), slot)) return e;
        bank.slots.push_back(std::move(slot));
    }
    return std::nullopt;
}

std::optional<Error> ReadBanks(const toml::node* node, const fs::path& folder, std::vector<ManifestBank>& banks) {
    if (!node) return std::nullopt;
    const toml::array* list = node->as_array();
    if (!list) return Bad("bank", "must be written as [[bank]] entries");
    for (std::size_t i = 0; i < list->size(); ++i) {
        ManifestBank bank;
        if (auto e = ReadBank(*list->get(i), "bank " + std::to_string(i + 1), folder, bank)) return e;
        banks.push_back(std::move(bank));
    }
    return std::nullopt;
}

}  // namespace

Result<Manifest> ParseManifest(std::string_view text, const fs::path& folder) {
    toml::parse_result parsed = toml::parse(text);
    if (!parsed) {
        const toml::parse_error& e = parsed.error();
        return Error{ExitCode::kBadInput, "manifest: TOML error at line " + std::to_string(e.source().begin.line) +
                                              ", column " + std::to_string(e.source().begin.column) + ": " +
                                              std::string(e.description())};
    }
    const toml::table& root = parsed.table();
    Manifest manifest;
    if (auto e = CheckKeys(root, {"title", "drive_name", "settings", "bank"}, "top level")) return *e;
    if (auto e = GetString(root, "title", "top level", manifest.title, true)) return *e;
    if (auto e = GetString(root, "drive_name", "top level", manifest.driveName, true)) return *e;
    if (auto e = ReadSettingsTable(root.get("settings"), manifest.settings)) return *e;
    if (auto e = ReadBanks(root.get("bank"), folder, manifest.banks)) return *e;
    return manifest;
}

Result<Manifest> ReadManifest(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return Error{ExitCode::kBadInput, "cannot open manifest " + path.string()};
    std::ostringstream text;
    text << in.rdbuf();
    return ParseManifest(text.str(), path.parent_path());
}

}  // namespace pack
