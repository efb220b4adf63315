#include "package_rules.h"

#include <gtest/gtest.h>

#include "pack_test_files.h"

namespace {

pack::PackageModel Valid() {
    pack::PackageModel m;
    m.title = "Flash Program for VELMORA DVDRW KTV-360R";
    m.driveName = "VELMORA DVDRW KTV-360R";
    pack::BankModel bank;
    bank.image = packtest::Image(1048576, 1);
    bank.newRevision = "1.05";
    bank.slots.push_back({false, "1.00", "1.03", "VELMORA ", "DVDRW KTV-360R  "});
    m.banks.push_back(bank);
    return m;
}

// The one refusal `m` gets; it must name `field`.
void ExpectOneRefusal(const pack::PackageModel& m, const std::string& field) {
    const auto refusals = pack::Refusals(m);
    ASSERT_EQ(refusals.size(), 1u) << (refusals.empty() ? "none" : refusals[0]);
    EXPECT_NE(refusals[0].find(field), std::string::npos) << refusals[0];
}

TEST(Refusals, AValidPackagePasses) {
    EXPECT_TRUE(pack::Refusals(Valid()).empty());
    pack::PackageModel m = Valid();
    m.title = std::string(63, 'T');
    m.driveName = std::string(64, 'D');
    m.settings.fill(9);
    m.banks[0].slots.resize(8);  // empty slots are wildcards
    EXPECT_TRUE(pack::Refusals(m).empty());
}

TEST(Refusals, TextsLongerThanTheUpdaterReads) {
    pack::PackageModel m = Valid();
    m.title = std::string(64, 'T');
    ExpectOneRefusal(m, "title");

    m = Valid();
    m.driveName = std::string(65, 'D');
    ExpectOneRefusal(m, "drive_name");

    m = Valid();
    m.banks[0].newRevision = "1.0";
    ExpectOneRefusal(m, "new_revision");
    m.banks[0].newRevision = "1.050";
    ExpectOneRefusal(m, "new_revision");

    const std::pair<std::string pack::SlotRule::*, std::size_t> fields[] = {
        {&pack::SlotRule::minRevision, 4}, {&pack::SlotRule::maxRevision, 4},
        {&pack::SlotRule::vendor, 8}, {&pack::SlotRule::product, 16}};
    for (const auto& [field, used] : fields) {
        m = Valid();
        m.banks[0].slots[0].*field = std::string(used, 'A');
        EXPECT_TRUE(pack::Refusals(m).empty());
        m.banks[0].slots[0].*field = std::string(used + 1, 'A');
        ExpectOneRefusal(m, "at most " + std::to_string(used));
    }
}

TEST(Refusals, NonPrintableCharacters) {
    pack::PackageModel m = Valid();
    m.title = std::string("Flash\0Program", 13);
    ExpectOneRefusal(m, "title");
    m = Valid();
    m.banks[0].slots[0].vendor = "VELM\xC3\xA9";
    ExpectOneRefusal(m, "vendor");
}

TEST(Refusals, SettingsAreOneDigit) {
    pack::PackageModel m = Valid();
    m.settings[3] = 10;
    ExpectOneRefusal(m, "settings.reboot = 10");
    m.settings[3] = -1;
    ExpectOneRefusal(m, "settings.reboot = -1");
}

TEST(Refusals, BankAndSlotCounts) {
    pack::PackageModel m = Valid();
    m.banks.clear();
    ExpectOneRefusal(m, "at least one bank");

    m = Valid();
    m.banks[0].image = packtest::Image(16384, 1);
    for (int i = 1; i < 5; ++i) {
        m.banks.push_back(m.banks[0]);
        m.banks.back().start = 16384 * i;
    }
    ExpectOneRefusal(m, "5 banks, at most 4");

    m = Valid();
    m.banks[0].slots.resize(9);
    ExpectOneRefusal(m, "9 slots, at most 8");
}

TEST(Refusals, ImageSizeAndRange) {
    pack::PackageModel m = Valid();
    m.banks[0].image = packtest::Image(16384 * 3 + 1, 1);
    ExpectOneRefusal(m, "not a positive multiple of 16384");
    m.banks[0].image.clear();
    ExpectOneRefusal(m, "size 0");

    m = Valid();
    m.banks[0].start = 16384;
    ExpectOneRefusal(m, "end past the 1048576-byte image area");
    m.banks[0].start = -16384;
    ExpectOneRefusal(m, "must not be negative");
}

TEST(Refusals, OverlapWithDifferentBytesButNotSharedImages) {
    pack::PackageModel m = Valid();
    m.banks[0].image = packtest::Image(65536, 1);
    m.banks.push_back(m.banks[0]);
    m.banks[1].start = 32768;
    ExpectOneRefusal(m, "overlaps bank 1");

    // The same image at the same place for two banks is a shared image.
    m.banks[1].start = 0;
    EXPECT_TRUE(pack::Refusals(m).empty());
    ASSERT_EQ(pack::Notes(m).size(), 1u);
    EXPECT_NE(pack::Notes(m)[0].find("share"), std::string::npos);
}

TEST(Refusals, AFirstSlotThatReadsAsUnfilled) {
    pack::PackageModel m = Valid();
    m.banks[0].slots[0] = {false, "#FLS", "#", "#", "#"};
    ExpectOneRefusal(m, "unfilled");
    // With a vendor that does not begin with "#" it is compared like any slot.
    m.banks[0].slots[0].vendor = "VELMORA ";
    EXPECT_TRUE(pack::Refusals(m).empty());
    m.banks[0].slots[0] = {true, "", "", "", ""};
    EXPECT_TRUE(pack::Refusals(m).empty());
}

}  // namespace
