#include <string>

#include "machine_fixture.h"

namespace {

using LettersTest = MachineTest;

}  // namespace

TEST_F(LettersTest, DriveStringsFollowTheSizeQueryContract) {
    m.AddLetter('E', DRIVE_REMOVABLE);
    m.AddCdrom('D', {});
    const DWORD needed = GetLogicalDriveStringsA(0, nullptr);
    const std::string expected("C:\\\0E:\\\0D:\\\0\0", 13);
    EXPECT_EQ(needed, expected.size()) << "size query counts the final zero byte";

    std::string buffer(needed, 'x');
    EXPECT_EQ(GetLogicalDriveStringsA(needed - 1, buffer.data()), needed) << "one byte short";
    EXPECT_EQ(buffer, std::string(needed, 'x')) << "nothing written when it does not fit";
    EXPECT_EQ(GetLogicalDriveStringsA(needed, buffer.data()), needed - 1);
    EXPECT_EQ(buffer, expected);

    m.SetDriveStringsFail(true);
    EXPECT_EQ(GetLogicalDriveStringsA(0, nullptr), 0u);
    m.SetDriveStringsFail(false);
    m.RemoveLetter('C');
    m.RemoveLetter('D');
    m.RemoveLetter('e');
    EXPECT_EQ(GetLogicalDriveStringsA(0, nullptr), 0u) << "no drives listed";
}

TEST_F(LettersTest, DriveTypesByRoot) {
    m.AddCdrom('D', {});
    EXPECT_EQ(GetDriveTypeA("C:\\"), DRIVE_FIXED);
    EXPECT_EQ(GetDriveTypeA("d:\\"), DRIVE_CDROM);
    EXPECT_EQ(GetDriveTypeA("D:"), DRIVE_CDROM);
    EXPECT_EQ(GetDriveTypeA("Q:\\"), DRIVE_NO_ROOT_DIR);
    EXPECT_EQ(GetDriveTypeA("D:\\x"), DRIVE_NO_ROOT_DIR);
    EXPECT_EQ(GetDriveTypeA(nullptr), DRIVE_NO_ROOT_DIR);
}

TEST_F(LettersTest, HeapZeroesOnRequestTracksBlocksAndFailsOnSwitch) {
    HANDLE heap = GetProcessHeap();
    ASSERT_NE(heap, nullptr);
    auto* zeroed = static_cast<unsigned char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, 64));
    auto* raw = static_cast<unsigned char*>(HeapAlloc(heap, 0, 64));
    ASSERT_TRUE(zeroed && raw);
    EXPECT_EQ(zeroed[0] | zeroed[63], 0);
    EXPECT_NE(raw[0], 0) << "unrequested memory is not zero";
    EXPECT_EQ(m.HeapBlocksOutstanding(), 2u);
    EXPECT_TRUE(HeapFree(heap, 0, zeroed));
    EXPECT_FALSE(HeapFree(heap, 0, zeroed)) << "double free refused";
    EXPECT_TRUE(HeapFree(heap, 0, raw));
    EXPECT_EQ(m.HeapBlocksOutstanding(), 0u);

    m.SetHeapAllocFails(true);
    EXPECT_EQ(HeapAlloc(heap, HEAP_ZERO_MEMORY, 8), nullptr);
    m.SetProcessHeapNull(true);
    EXPECT_EQ(GetProcessHeap(), nullptr);
}
