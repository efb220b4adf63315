#include "package_inspector.h"

#include <cstring>
#include <span>

#include "block_locator.h"
#include "package_rules.h"
#include "sha256.h"
#include "src/flash/image_pieces.h"

namespace pack {
namespace {

std::string Q(const std::string& text) { return "\"" + text + "\""; }

// The raw settings string, bounded by its field.
std::string SettingText(const pkg::PackageReader& block, const SettingKey& key) {
    const char* at = reinterpret_cast<const char*>(block.Block() + key.offset);
    return std::string(at, strnlen(at, key.width));
}

void ReadSettingsInto(Inspection& in, const pkg::PackageReader& block) {
    for (std::size_t i = 0; i < kSettingKeys.size(); ++i) {
        const SettingKey& key = kSettingKeys[i];
        if (key.offset == pkg::kAdminOffset) {
            const char c = static_cast<char>(block.Block()[pkg::kAdminValueOffset]);
            in.settings[i] = c >= '0' && c <= '9' ? c - '0' : 0;
        } else {
            in.settings[i] = block.SettingAt(key.offset);
        }
        const std::string text = SettingText(block, key);
        if (text != std::string(key.key) + "=" + std::to_string(in.settings[i])) {
            in.warnings.push_back(std::string(key.key) + " text " + Q(text) + " is not one digit; the updater reads " +
                                  std::to_string(in.settings[i]));
        }
    }
}

InspectedBank ReadBank(const pkg::PackageReader& block, int b) {
    InspectedBank bank;
    bank.start = block.BinStart(b);
    bank.size = block.BinSize(b);
    bank.newRevision = block.NewRevision(b);
    for (int s = 0; s < pkg::kSlotCount; ++s) {
        bank.slots[s] = block.Constraint(b, s);
        bank.unfilled[s] = pkg::PackageReader::IsUnfilledSlot(bank.slots[s]);
    }
    bank.rangeValid = IsWholePieces(bank.size) && pkg::RangeInImageArea(bank.start, bank.size);
    return bank;
}

void WarnAboutBank(Inspection& in, const pkg::PackageReader& block, int b) {
    const InspectedBank& bank = in.banks[b];
    const std::string where = "bank " + std::to_string(b + 1);
    if (!bank.rangeValid) {
        in.warnings.push_back(where + ": start " + std::to_string(bank.start) + ", size " + std::to_string(bank.size) +
                              " is not a valid image; an update with it fails before sending any command");
        return;
    }
    static constexpr char kMarker[] = "BANK_START_FROM_HERE";
    if (std::memcmp(block.ImageArea() + bank.start, kMarker, sizeof kMarker - 1) == 0) {
        in.warnings.push_back(where + " image is still the template marker");
    }
    if (bank.newRevision.size() != kRevisionUsed) {
        in.warnings.push_back(where + " new revision " + Q(bank.newRevision) + " is not 4 characters");
    }
}

void WarnAboutPackage(Inspection& in) {
    if (in.howManyBin == 0) {
        in.warnings.push_back("HOW_MANY_BIN is 0: the updater says \"No F/W in executable !\" and ends");
    } else if (in.howManyBin > pkg::kBankCount) {
        in.warnings.push_back("HOW_MANY_BIN is " + std::to_string(in.howManyBin) +
                              ": only the 4 banks that exist are read");
    }
    if (in.imageAreaEmpty && in.howManyBin != 0) {
        in.warnings.push_back("the image area still begins with the template marker: no drive will be matched");
    }
}

void PrintSlotRun(std::ostream& out, const InspectedBank& bank, int& s) {
    if (!bank.unfilled[s]) {
        const pkg::ConstraintTexts& k = bank.slots[s];
        out << "    slot " << s + 1 << ": min " << Q(k.minRevision) << " max " << Q(k.maxRevision) << " vendor "
            << Q(k.vendor) << " product " << Q(k.product) << "\n";
        ++s;
        return;
    }
    int last = s;
    while (last + 1 < pkg::kSlotCount && bank.unfilled[last + 1]) ++last;
    out << "    slot" << (last > s ? "s " : " ") << s + 1;
    if (last > s) out << "-" << last + 1;
    out << ": unfilled" << (s == 0 ? " (the bank admits every drive)" : "") << "\n";
    s = last + 1;
}

void PrintConstraints(std::ostream& out, const Inspection& in) {
    out << "Constraints:\n";
    for (int b = 0; b < pkg::kBankCount; ++b) {
        out << "  bank " << b + 1 << (b < in.banksInUse ? "" : " (not in use)") << "\n";
        for (int s = 0; s < pkg::kSlotCount;) PrintSlotRun(out, in.banks[b], s);
    }
}

void PrintBanks(std::ostream& out, const Inspection& in, const pkg::PackageReader& block) {
    out << "Banks:\n";
    if (in.banksInUse == 0) out << "  none\n";
    for (int b = 0; b < in.banksInUse; ++b) {
        const InspectedBank& bank = in.banks[b];
        out << "  bank " << b + 1 << ": start " << bank.start << ", size " << bank.size << ", new revision "
            << Q(bank.newRevision);
        if (bank.rangeValid) {
            const std::span<const std::uint8_t> image(block.ImageArea() + bank.start,
                                                      static_cast<std::size_t>(bank.size));
            out << ", sha256 " << Sha256Hex(image);
        }
        out << "\n";
    }
}

SlotRule ToRule(const InspectedBank& bank, int s) {
    if (bank.unfilled[s]) {
        SlotRule placeholder;
        placeholder.unfilled = true;
        return placeholder;
    }
    const pkg::ConstraintTexts& k = bank.slots[s];
    return SlotRule{false, k.minRevision, k.maxRevision, k.vendor, k.product};
}

}  // namespace

Inspection Inspect(const pkg::PackageReader& block) {
    Inspection in;
    in.title = block.Title();
    in.version = block.Version();
    in.driveName = block.DriveName();
    in.howManyBin = block.HowManyBin();
    in.banksInUse = pkg::BanksInUse(in.howManyBin);
    in.isTemplate = IsTemplate(block);
    in.imageAreaEmpty = block.ImageAreaEmpty();
    ReadSettingsInto(in, block);
    WarnAboutPackage(in);
    for (int b = 0; b < pkg::kBankCount; ++b) in.banks[b] = ReadBank(block, b);
    for (int b = 0; b < in.banksInUse; ++b) WarnAboutBank(in, block, b);
    return in;
}

void PrintInspection(const Inspection& in, const pkg::PackageReader& block, std::ostream& out) {
    out << "Kind:        " << (in.isTemplate ? "template (no package written yet)" : "package") << "\n";
    out << "Title:       " << Q(in.title) << "\n";
    out << "Version:     " << Q(in.version) << "\n";
    out << "Drive name:  " << Q(in.driveName) << "\n";
    out << "Settings:   ";
    for (std::size_t i = 0; i < kSettingKeys.size(); ++i) out << " " << kSettingKeys[i].key << "=" << in.settings[i];
    out << " HOW_MANY_BIN=" << in.howManyBin << "\n";
    PrintConstraints(out, in);
    PrintBanks(out, in, block);
    for (const std::string& w : in.warnings) out << "warning: " << w << "\n";
}

Result<PackageModel> ToModel(const Inspection& in, const pkg::PackageReader& block) {
    PackageModel model;
    model.title = in.title;
    model.driveName = in.driveName;
    model.settings = in.settings;
    for (int b = 0; b < in.banksInUse; ++b) {
        const InspectedBank& bank = in.banks[b];
        if (!bank.rangeValid) {
            return Error{ExitCode::kRefused, "bank " + std::to_string(b + 1) + ": start " + std::to_string(bank.start) +
                                                 ", size " + std::to_string(bank.size) +
                                                 " is not an image that can be extracted"};
        }
        BankModel out;
        out.start = bank.start;
        out.image.assign(block.ImageArea() + bank.start, block.ImageArea() + bank.start + bank.size);
        out.newRevision = bank.newRevision;
        int lastFilled = -1;
        for (int s = 0; s < pkg::kSlotCount; ++s) {
            if (!bank.unfilled[s]) lastFilled = s;
        }
        for (int s = 0; s <= lastFilled; ++s) out.slots.push_back(ToRule(bank, s));
        model.banks.push_back(std::move(out));
    }
    return model;
}

}  // namespace pack
