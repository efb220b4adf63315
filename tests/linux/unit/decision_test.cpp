// The Linux edition decides every drive exactly as the window does: the
// same matching, with the word sort the window's collation follows.
#include <gtest/gtest.h>

#include "linux/decision.h"
#include "linux/updater_file.h"
#include "src/package/settings.h"
#include "tests/linux/support/updater_files.h"

namespace {

using nflash::Decide;
using nflash::Identity;

class DecisionTest : public ::testing::Test {
protected:
    void SetUp() override {
        loaded = nflash::LoadUpdaterFile(sgsim::DemoUpdater(dir.Path()), true);
        ASSERT_TRUE(loaded.file) << loaded.message;
        ReadSettings(loaded.file->Package());
    }
    nflash::Decision For(const std::string& vendor, const std::string& product, const std::string& revision) {
        return Decide(Identity{vendor, product, revision, ""}, loaded.file->Package());
    }
    sgsim::ScratchDir dir;
    nflash::LoadedFile loaded;
};

TEST_F(DecisionTest, TheDemoPackageAdmitsItsTwoRangesInclusively) {
    for (const char* revision : {"1.00", "1.02", "1.03", "0.98"}) {
        const nflash::Decision d = For("VELMORA ", "DVDRW KTV-360R  ", revision);
        EXPECT_TRUE(d.matched) << revision;
        EXPECT_EQ(d.bank, 0);
        EXPECT_EQ(d.Text(), std::string("from ") + revision + " to 1.05");
    }
    for (const char* revision : {"0.99", "1.04", "1.05", "0.97"}) {
        EXPECT_EQ(For("VELMORA ", "DVDRW KTV-360R  ", revision).Text(), "not allowed") << revision;
    }
}

TEST_F(DecisionTest, VendorAndProductMustBeTheSameTextsBlanksAndHyphensIncluded) {
    EXPECT_FALSE(For("ORVANTE ", "DVD-ROM OV-5216 ", "1.02").matched);
    EXPECT_FALSE(For("VELMORA ", "DVDRW KTV360R   ", "1.02").matched);  // the word sort sets hyphens aside, not apart
    EXPECT_FALSE(For("VELMORA", "DVDRW KTV-360R", "1.02").matched);     // the package keeps the drive's blanks
    EXPECT_FALSE(For("velmora ", "DVDRW KTV-360R  ", "1.02").matched);
}

TEST_F(DecisionTest, AnUnfilledFirstSlotAdmitsEveryDriveAndUpToDateNeedsN2oMessage) {
    sgsim::WriteBytes(dir / "img.bin", std::vector<std::uint8_t>(16384, 0x11));
    const auto path =
        sgsim::PackUpdater(dir.Path(), "any.exe", sgsim::SyntheticTemplate(kTestLoaderSet, sgsim::TestLoaderStore()),
                           "title = \"T\"\ndrive_name = \"D\"\n[settings]\nn2omessage = 1\n"
                           "[[bank]]\nimage = \"img.bin\"\nnew_revision = \"2.00\"\n");
    loaded = nflash::LoadUpdaterFile(path, true);
    ASSERT_TRUE(loaded.file) << loaded.message;
    ReadSettings(loaded.file->Package());
    EXPECT_EQ(For("ORVANTE ", "DVD-ROM OV-5216 ", "1.00").Text(), "from 1.00 to 2.00");
    const nflash::Decision current = For("ORVANTE ", "DVD-ROM OV-5216 ", "2.00");
    EXPECT_TRUE(current.matched);
    EXPECT_TRUE(current.upToDate);
    EXPECT_EQ(current.Text(), "up to date (2.00)");
}

TEST(IdentityText, DropsTheBlanksAtEachEnd) {
    EXPECT_EQ((Identity{"VELMORA ", "DVDRW KTV-360R  ", "1.02", ""}).Text(), "VELMORA DVDRW KTV-360R 1.02");
    EXPECT_EQ(Identity{}.Text(), "(no identity)");
}

}  // namespace
