// The drives a flash may touch, chosen from the survey by the nodes the user
// names or by the package's decision, before anything is sent.
#include "linux/drive_choice.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/linux/support/updater_files.h"

namespace {

namespace fs = std::filesystem;

class DriveChoiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir / "dev" / "by-id");
        for (int i = 0; i < 3; ++i) {
            nflash::DriveReport r;
            r.drive.sgPath = dir / "dev" / ("sg" + std::to_string(i));
            r.drive.srPath = dir / "dev" / ("sr" + std::to_string(i));
            std::ofstream(r.drive.sgPath) << "";
            std::ofstream(r.drive.srPath) << "";
            drives.push_back(r);
        }
    }

    nflash::Candidates ByDevice(std::vector<fs::path> devices) const {
        nflash::Options options;
        options.devices = std::move(devices);
        return nflash::ChooseCandidates(drives, options, "VELMORA DVDRW KTV-360R");
    }

    sgsim::ScratchDir dir;
    std::vector<nflash::DriveReport> drives;
};

TEST_F(DriveChoiceTest, NamedNodesChooseTheirDrivesOnceEachInTheOrderNamedUnderAnyName) {
    fs::create_symlink("../sr2", dir / "dev" / "by-id" / "usb-VELMORA");
    const nflash::Candidates chosen = ByDevice({dir / "dev" / "by-id" / "usb-VELMORA", dir / "dev" / "sg0",
                                                dir / "dev" / "sr0", dir / "dev" / "." / "sg2"});
    EXPECT_EQ(chosen.code, nflash::ExitCode::Success) << chosen.problem;
    EXPECT_EQ(chosen.indexes, (std::vector<std::size_t>{2, 0}))
        << "sr0 and sg0 are one drive, sg2 and the link another";
}

TEST_F(DriveChoiceTest, ANodeThatIsNoSurveyedDrivesChoosesNothingAtAll) {
    const nflash::Candidates chosen = ByDevice({dir / "dev" / "sg1", dir / "dev" / "sda"});
    EXPECT_TRUE(chosen.indexes.empty()) << "sg1 must not be flashed when the command line also names a wrong node";
    EXPECT_EQ(chosen.code, nflash::ExitCode::BadInput);
    EXPECT_NE(chosen.problem.find("sda is not an optical drive's sg or sr node"), std::string::npos) << chosen.problem;
}

TEST_F(DriveChoiceTest, WithoutNodesThePackagesDecisionChoosesTheFirstOrEveryMatchedDrive) {
    drives[1].decision.matched = true;
    drives[2].decision.matched = true;
    nflash::Options options;
    EXPECT_EQ(nflash::ChooseCandidates(drives, options, "").indexes, (std::vector<std::size_t>{1}));
    options.allMatched = true;
    EXPECT_EQ(nflash::ChooseCandidates(drives, options, "").indexes, (std::vector<std::size_t>{1, 2}));

    drives[1].decision.matched = false;
    drives[2].decision.matched = false;
    const nflash::Candidates none = nflash::ChooseCandidates(drives, options, "VELMORA DVDRW KTV-360R");
    EXPECT_TRUE(none.indexes.empty());
    EXPECT_EQ(none.code, nflash::ExitCode::NothingToDo);
    EXPECT_NE(none.problem.find("VELMORA DVDRW KTV-360R"), std::string::npos) << none.problem;
}

}  // namespace
