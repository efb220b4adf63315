#include <gtest/gtest.h>

#include <cstring>

#include "src/app/dialog_texts.h"

namespace {

TEST(DriveLine, ColumnsFollowTheListFormat) {
    DriveEntry e{};
    e.adapter = 1;
    e.bus = 0;
    e.target = 2;
    e.lun = 0;
    std::memcpy(e.rootPath, "E:\\", 3);
    std::memcpy(e.displayName, "VELMORA DVDRW KTV-360R  ", 24);
    std::memcpy(e.revision, "1.02", 4);
    EXPECT_EQ(FormatDriveLine(e), " 1-0-2-0 E:VELMORA DVDRW KTV-360R   1.02");

    DriveEntry aspi{};  // no root path, short name, empty revision
    aspi.adapter = 12;
    std::memcpy(aspi.displayName, "ABC", 3);
    EXPECT_EQ(FormatDriveLine(aspi), "12-0-0-0                      ABC     ");
}

TEST(DriveLine, UnterminatedFieldsStayWithinTheirWidth) {
    DriveEntry e{};
    std::memset(e.displayName, 'N', sizeof e.displayName);
    std::memset(e.revision, 'R', sizeof e.revision);
    std::memset(e.rootPath, 'X', sizeof e.rootPath);
    const std::string line = FormatDriveLine(e);
    EXPECT_EQ(line, " 0-0-0-0 XX" + std::string(32, 'N') + " RRRRR");
}

TEST(StartUpTexts, NoMatchAndNoticeAreBuiltInTheirFixedOrder) {
    EXPECT_EQ(NoMatchedDriveText("VELMORA DVDRW KTV-360R", " 2-0-0-0 D:line\n"),
              "No matched drive detected !\nThis utility is only for VELMORA DVDRW KTV-360R "
              "drive.\n\nDetected drives :\n 2-0-0-0 D:line\n");
    const std::string two = NoticeText("X", false);
    const std::string three = NoticeText("X", true);
    EXPECT_EQ(two.find("3>"), std::string::npos);
    EXPECT_NE(three.find("3> Don't remove the adapter and battery during F/W reflash processing. \n"
                         "\nDo you wish to continue ?"),
              std::string::npos);
    EXPECT_EQ(two.substr(0, 48), "This flash utility only supports X drive.\n\nNOTIC");
}

}  // namespace
