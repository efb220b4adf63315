#include "manifest.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kMinimal = R"(
title = "T"
drive_name = "D"
[[bank]]
image = "img/a.bin"
new_revision = "1.05"
)";

TEST(Manifest, DefaultsAreTheTemplateSettingsAndPathsAreRelative) {
    const auto m = pack::ParseManifest(kMinimal, "/pkgs/demo");
    ASSERT_TRUE(m) << m.error().message;
    EXPECT_EQ(m.value().settings, pack::TemplateSettings());
    ASSERT_EQ(m.value().banks.size(), 1u);
    EXPECT_EQ(m.value().banks[0].image, std::filesystem::path("/pkgs/demo/img/a.bin"));
    EXPECT_FALSE(m.value().banks[0].start);
    EXPECT_TRUE(m.value().banks[0].slots.empty());
}

TEST(Manifest, SlotsSettingsAndStart) {
    const auto m = pack::ParseManifest(std::string(kMinimal) + R"(
start = 32768
[[bank.slot]]
vendor = "VELMORA "
[[bank.slot]]
unfilled = true
[[bank.slot]]
[settings]
reboot = 0
admin = 1
)",
                                       "/x");
    ASSERT_TRUE(m) << m.error().message;
    const pack::ManifestBank& bank = m.value().banks[0];
    EXPECT_EQ(bank.start, 32768);
    ASSERT_EQ(bank.slots.size(), 3u);
    EXPECT_EQ(bank.slots[0], (pack::SlotRule{false, "", "", "VELMORA ", ""}));
    EXPECT_TRUE(bank.slots[1].unfilled);
    EXPECT_EQ(bank.slots[2], pack::SlotRule{});
    EXPECT_EQ(m.value().settings[3], 0);  // reboot
    EXPECT_EQ(m.value().settings[7], 1);  // admin
    EXPECT_EQ(m.value().settings[2], 1);  // bootcode keeps the template's value
}

TEST(Manifest, ShapeErrorsNameTheirPlace) {
    const std::pair<std::string, std::string> cases[] = {
        {"title = \"T\"\ndrive_name = \"D\"\nbogus = 1\n", "unknown key \"bogus\""},
        {"drive_name = \"D\"\n", "\"title\" is required"},
        {"title = 5\ndrive_name = \"D\"\n", "\"title\" must be a string"},
        {std::string(kMinimal) + "[settings]\nrebot = 0\n", "unknown key \"rebot\""},
        {std::string(kMinimal) + "[settings]\nhow_many_bin = 2\n", "number of [[bank]]"},
        {std::string(kMinimal) + "[settings]\nreboot = \"0\"\n", "must be an integer"},
        {std::string(kMinimal) + "start = \"0\"\n", "\"start\" must be an integer"},
        {std::string(kMinimal) + "[[bank.slot]]\nunfilled = true\nvendor = \"V\"\n", "bank 1 slot 1"},
        {"title = \"T\"\ndrive_name = \"D\"\n[[bank]]\nnew_revision = \"1.05\"\n", "\"image\" is required"},
        {"title = \"T\"\ndrive_name = \n", "TOML error at line 2"},
    };
    for (const auto& [text, expected] : cases) {
        const auto m = pack::ParseManifest(text, "/x");
        ASSERT_FALSE(m) << text;
        EXPECT_EQ(m.error().code, pack::ExitCode::kBadInput);
        EXPECT_NE(m.error().message.find(expected), std::string::npos) << m.error().message;
    }
}

TEST(Manifest, WrittenTextParsesBackToTheSameValues) {
    pack::PackageModel model;
    model.title = "Quote \" and back\\slash";
    model.driveName = "VELMORA DVDRW KTV-360R";
    model.settings = {1, 0, 1, 0, 1, 0, 1, 0, 1};
    pack::BankModel bank;
    bank.start = 16384;
    bank.newRevision = "N/A ";
    bank.slots = {{false, "1.00", "", "VELMORA ", "DVDRW KTV-360R  "}, {true, "", "", "", ""}, {}};
    model.banks = {bank};

    const auto m = pack::ParseManifest(pack::ManifestText(model, {"out-bank1.bin"}), "/dir");
    ASSERT_TRUE(m) << m.error().message;
    EXPECT_EQ(m.value().title, model.title);
    EXPECT_EQ(m.value().driveName, model.driveName);
    EXPECT_EQ(m.value().settings, model.settings);
    ASSERT_EQ(m.value().banks.size(), 1u);
    EXPECT_EQ(m.value().banks[0].image, std::filesystem::path("/dir/out-bank1.bin"));
    EXPECT_EQ(m.value().banks[0].start, 16384);
    EXPECT_EQ(m.value().banks[0].newRevision, "N/A ");
    EXPECT_EQ(m.value().banks[0].slots, bank.slots);
}

}  // namespace
