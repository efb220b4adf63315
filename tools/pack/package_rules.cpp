#include "package_rules.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "src/flash/image_pieces.h"
#include "src/package/package_reader.h"

namespace pack {
namespace {

std::string Q(const std::string& text) { return "\"" + text + "\""; }

bool Printable(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

// Texts are single-byte and NUL-terminated in the block: a NUL or a control
// character would cut or garble what the updater shows and compares.
void CheckText(std::vector<std::string>& out, const std::string& field, const std::string& text, std::size_t max) {
    if (text.size() > max) {
        out.push_back(field + " " + Q(text) + ": " + std::to_string(text.size()) + " characters, at most " +
                      std::to_string(max) + " are read");
    }
    if (!Printable(text)) out.push_back(field + ": only printable ASCII characters can be packed");
}

void CheckSettings(std::vector<std::string>& out, const SettingValues& values) {
    for (std::size_t i = 0; i < kSettingKeys.size(); ++i) {
        if (values[i] < 0 || values[i] > 9) {
            out.push_back("settings." + std::string(kSettingKeys[i].name) + " = " + std::to_string(values[i]) +
                          ": a setting is one digit, 0 to 9 (the updater reads only the last character)");
        }
    }
}

bool ReadsAsUnfilled(const SlotRule& slot) {
    return slot.minRevision.starts_with("#FLS") && slot.maxRevision.starts_with('#') && slot.vendor.starts_with('#') &&
           slot.product.starts_with('#');
}

void CheckSlots(std::vector<std::string>& out, const std::string& where, const std::vector<SlotRule>& slots) {
    if (slots.size() > static_cast<std::size_t>(pkg::kSlotCount)) {
        out.push_back(where + ": " + std::to_string(slots.size()) + " slots, at most " +
                      std::to_string(pkg::kSlotCount));
    }
    for (std::size_t s = 0; s < slots.size(); ++s) {
        const SlotRule& slot = slots[s];
        if (slot.unfilled) continue;
        const std::string at = where + " slot " + std::to_string(s + 1);
        CheckText(out, at + " min_revision", slot.minRevision, kRevisionUsed);
        CheckText(out, at + " max_revision", slot.maxRevision, kRevisionUsed);
        CheckText(out, at + " vendor", slot.vendor, kVendorUsed);
        CheckText(out, at + " product", slot.product, kProductUsed);
        if (s == 0 && ReadsAsUnfilled(slot)) {
            out.push_back(at + ": reads as an unfilled slot and would admit every drive; write unfilled = true");
        }
    }
}

void CheckImage(std::vector<std::string>& out, const std::string& where, const BankModel& bank) {
    const auto size = static_cast<std::int64_t>(bank.image.size());
    if (!IsWholePieces(size)) {
        out.push_back(where + " image: size " + std::to_string(size) + " is not a positive multiple of " +
                      std::to_string(wire::kPieceSize));
    }
    if (bank.start < 0) {
        out.push_back(where + " start " + std::to_string(bank.start) + ": must not be negative");
    } else if (!pkg::RangeInImageArea(bank.start, size)) {
        out.push_back(where + " image: bytes " + std::to_string(bank.start) + " to " +
                      std::to_string(bank.start + size) + " end past the " + std::to_string(pkg::kImageAreaSize) +
                      "-byte image area");
    }
}

struct Overlap {
    std::int64_t from;
    std::int64_t to;
};

std::optional<Overlap> Overlapping(const BankModel& a, const BankModel& b) {
    const std::int64_t from = std::max(a.start, b.start);
    const std::int64_t to = std::min(a.start + static_cast<std::int64_t>(a.image.size()),
                                     b.start + static_cast<std::int64_t>(b.image.size()));
    if (from >= to) return std::nullopt;
    return Overlap{from, to};
}

bool SameBytes(const BankModel& a, const BankModel& b, Overlap o) {
    return std::memcmp(a.image.data() + (o.from - a.start), b.image.data() + (o.from - b.start), o.to - o.from) == 0;
}

bool RangeValid(const BankModel& bank) {
    return pkg::RangeInImageArea(bank.start, static_cast<std::int64_t>(bank.image.size()));
}

// Banks may share an image; overlapping ranges with different bytes would
// leave the earlier bank with a corrupt image.
void CheckOverlaps(std::vector<std::string>& out, const std::vector<BankModel>& banks) {
    for (std::size_t i = 0; i < banks.size(); ++i) {
        for (std::size_t j = i + 1; j < banks.size(); ++j) {
            if (!RangeValid(banks[i]) || !RangeValid(banks[j])) continue;
            const auto o = Overlapping(banks[i], banks[j]);
            if (o && !SameBytes(banks[i], banks[j], *o)) {
                out.push_back("bank " + std::to_string(j + 1) + " image overlaps bank " + std::to_string(i + 1) +
                              " image with different bytes (image area bytes " + std::to_string(o->from) + " to " +
                              std::to_string(o->to) + ")");
            }
        }
    }
}

}  // namespace

std::vector<std::string> Refusals(const PackageModel& model) {
    std::vector<std::string> out;
    CheckText(out, "title", model.title, kTitleMax);
    CheckText(out, "drive_name", model.driveName, kDriveNameMax);
    CheckSettings(out, model.settings);
    if (model.banks.empty()) {
        out.push_back("no [[bank]]: a package needs at least one bank (HOW_MANY_BIN 0 means no firmware)");
    }
    if (model.banks.size() > static_cast<std::size_t>(pkg::kBankCount)) {
        out.push_back(std::to_string(model.banks.size()) + " banks, at most " + std::to_string(pkg::kBankCount));
    }
    for (std::size_t b = 0; b < model.banks.size(); ++b) {
        const BankModel& bank = model.banks[b];
        const std::string where = "bank " + std::to_string(b + 1);
        if (bank.newRevision.size() != kRevisionUsed) {
            out.push_back(where + " new_revision " + Q(bank.newRevision) + ": must be exactly 4 characters");
        } else if (!Printable(bank.newRevision)) {
            out.push_back(where + " new_revision: only printable ASCII characters can be packed");
        }
        CheckSlots(out, where, bank.slots);
        CheckImage(out, where, bank);
    }
    CheckOverlaps(out, model.banks);
    return out;
}

std::vector<std::string> Notes(const PackageModel& model) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < model.banks.size(); ++i) {
        for (std::size_t j = i + 1; j < model.banks.size(); ++j) {
            const auto o = Overlapping(model.banks[i], model.banks[j]);
            if (o && SameBytes(model.banks[i], model.banks[j], *o)) {
                out.push_back("banks " + std::to_string(i + 1) + " and " + std::to_string(j + 1) +
                              " share image area bytes " + std::to_string(o->from) + " to " + std::to_string(o->to));
            }
        }
    }
    return out;
}

}  // namespace pack
