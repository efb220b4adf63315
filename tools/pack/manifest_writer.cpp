// Writes a PackageModel back as a manifest that rebuilds the same package:
// every value explicit, starts included, so nothing depends on defaults.

#include <cstdio>
#include <sstream>

#include "manifest.h"

namespace pack {
namespace {

// A TOML basic string. Bytes outside printable ASCII are written as their
// Latin-1 code points, so odd bytes in a foreign package stay visible.
std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte >= 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

void WriteSlot(std::ostream& out, const SlotRule& slot) {
    out << "\n[[bank.slot]]\n";
    if (slot.unfilled) {
        out << "unfilled = true\n";
        return;
    }
    out << "min_revision = " << Quoted(slot.minRevision) << "\n";
    out << "max_revision = " << Quoted(slot.maxRevision) << "\n";
    out << "vendor = " << Quoted(slot.vendor) << "\n";
    out << "product = " << Quoted(slot.product) << "\n";
}

}  // namespace

std::string ManifestText(const PackageModel& model, const std::vector<std::string>& imageNames) {
    std::ostringstream out;
    out << "title = " << Quoted(model.title) << "\n";
    out << "drive_name = " << Quoted(model.driveName) << "\n";
    out << "\n[settings]\n";
    for (std::size_t i = 0; i < kSettingKeys.size(); ++i) {
        out << kSettingKeys[i].name << " = " << model.settings[i] << "\n";
    }
    for (std::size_t b = 0; b < model.banks.size(); ++b) {
        const BankModel& bank = model.banks[b];
        out << "\n[[bank]]\n";
        out << "image = " << Quoted(b < imageNames.size() ? imageNames[b] : std::string()) << "\n";
        out << "new_revision = " << Quoted(bank.newRevision) << "\n";
        out << "start = " << bank.start << "\n";
        for (const SlotRule& slot : bank.slots) WriteSlot(out, slot);
    }
    return out.str();
}

}  // namespace pack
