// Writes a PackageModel back as a manifest that rebuilds the same package:
// every value explicit, starts included, so nothing depends on defaults.

#include <sstream>

#include "manifest.h"
#include "src/package/quoted_text.h"

namespace pack {
namespace {

void WriteSlot(std::ostream& out, const SlotRule& slot) {
    out << "\n[[bank.slot]]\n";
    if (slot.unfilled) {
        out << "unfilled = true\n";
        return;
    }
    out << "min_revision = " << QuotedText(slot.minRevision) << "\n";
    out << "max_revision = " << QuotedText(slot.maxRevision) << "\n";
    out << "vendor = " << QuotedText(slot.vendor) << "\n";
    out << "product = " << QuotedText(slot.product) << "\n";
}

}  // namespace

std::string ManifestText(const PackageModel& model, const std::vector<std::string>& imageNames) {
    std::ostringstream out;
    out << "title = " << QuotedText(model.title) << "\n";
    out << "drive_name = " << QuotedText(model.driveName) << "\n";
    out << "\n[settings]\n";
    for (std::size_t i = 0; i < kSettingKeys.size(); ++i) {
        out << kSettingKeys[i].name << " = " << model.settings[i] << "\n";
    }
    for (std::size_t b = 0; b < model.banks.size(); ++b) {
        const BankModel& bank = model.banks[b];
        out << "\n[[bank]]\n";
        out << "image = " << QuotedText(b < imageNames.size() ? imageNames[b] : std::string()) << "\n";
        out << "new_revision = " << QuotedText(bank.newRevision) << "\n";
        out << "start = " << bank.start << "\n";
        for (const SlotRule& slot : bank.slots) WriteSlot(out, slot);
    }
    return out.str();
}

}  // namespace pack
