// Discovery over drive letters and ASPI buses, the table's order, identity
// reading, selection and handing the state to a per-drive manager.
#include <cstring>
#include <string>

#include "drive_fixture.h"
#include "src/drive/transport/abandoned_requests.h"
#include "src/drive/drive_commands.h"

namespace {

class DiscoveryTest : public DriveTest {
protected:
    std::vector<std::string> RootPaths(const DriveManager& d) const {
        std::vector<std::string> roots;
        for (std::uint32_t i = 0; i < d.GetDriveCount(); ++i) roots.push_back(d.table.drives[i].rootPath);
        return roots;
    }

    std::vector<int> Adapters(const DriveManager& d) const {
        std::vector<int> adapters;
        for (std::uint32_t i = 0; i < d.GetDriveCount(); ++i) adapters.push_back(d.table.drives[i].adapter);
        return adapters;
    }

    static bool RowIsZero(const DriveEntry& row) {
        static const DriveEntry zero{};
        return std::memcmp(&row, &zero, sizeof row) == 0;
    }

    int Opens(const std::string& path) const {
        int n = 0;
        for (const auto& open : m.DeviceOpens()) n += open.path == path ? 1 : 0;
        return n;
    }

    void AddFailingAddress(char letter) {
        sim::CdromDevice device;
        device.drive = NewDrive();
        device.addressQuery = sim::AddressQuery::CallFails;
        m.AddCdrom(letter, device);
    }
};

int Count(const vdrive::Drive& drive, std::uint8_t opcode) {
    int n = 0;
    for (const auto& block : drive.CommandBlocks()) n += block[0] == opcode ? 1 : 0;
    return n;
}

}  // namespace

TEST_F(DiscoveryTest, NoCdromLettersGiveAnEmptyTable) {
    m.AddLetter('E', DRIVE_REMOVABLE);
    DriveManager d;
    EXPECT_EQ(d.GetDriveCount(), 0);
    for (const DriveEntry& row : d.table.drives) EXPECT_TRUE(RowIsZero(row));
    EXPECT_TRUE(m.DeviceOpens().empty());
}

TEST_F(DiscoveryTest, DrivesAreIdentifiedAndLeftClosed) {
    auto d1 = AddCdrom('D', 1, 0);
    m.AddLetter('E', DRIVE_FIXED);
    DriveManager d;
    ASSERT_EQ(d.GetDriveCount(), 1);
    const DriveEntry& row = d.table.drives[0];
    EXPECT_STREQ(row.rootPath, "D:\\");
    EXPECT_STREQ(row.displayName, "VELMORA DVDRW KTV-360R  ");
    EXPECT_STREQ(row.vendor, "VELMORA ");
    EXPECT_STREQ(row.revision, "1.00");
    EXPECT_EQ(std::vector<std::uint8_t>(row.chipId, row.chipId + 4), (std::vector<std::uint8_t>{0xBF, 0xD6, 0x00, 0x01}));
    EXPECT_EQ(row.viaAspi, 0);
    EXPECT_EQ(row.storageDescriptor[28], BusTypeAtapi) << "bus type from the storage query";
    EXPECT_EQ(d.CurrentDrive(), kNoDriveSelected);
    EXPECT_EQ(m.OpenHandles(sim::HandleKind::Device), 0);
    EXPECT_EQ(Opens("\\\\.\\D:"), 3) << "address, storage descriptor, identification";
    EXPECT_EQ(m.HeapBlocksOutstanding(), 2u) << "only the two buffers remain";
    EXPECT_EQ(Count(*d1, 0x12), 1);
}

TEST_F(DiscoveryTest, FailedAddressQueriesGetSyntheticAdaptersInLetterOrder) {
    AddCdrom('D', 4, 0);
    AddFailingAddress('E');
    AddCdrom('F', 1, 0);
    AddFailingAddress('G');
    DriveManager d;
    EXPECT_EQ(Adapters(d), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(RootPaths(d), (std::vector<std::string>{"F:\\", "E:\\", "G:\\", "D:\\"}));
    for (int i : {1, 2}) {
        EXPECT_EQ(d.table.drives[i].target, 0);
        EXPECT_EQ(d.table.drives[i].lun, 0);
        EXPECT_EQ(d.table.drives[i].bus, 0);
    }
}

TEST_F(DiscoveryTest, TableIsOrderedByAddressKeyAndStable) {
    sim::CdromDevice high;
    high.drive = NewDrive();
    high.port = 1;  // key 4096
    m.AddCdrom('D', high);
    sim::CdromDevice low;
    low.drive = NewDrive();
    low.port = 0;
    low.pathId = 1;
    low.targetId = 1;  // key 272
    m.AddCdrom('E', low);
    AddCdrom('F', 0, 1);  // key 16, after E by letter but same key as G
    AddCdrom('G', 0, 1);
    DriveManager d;
    EXPECT_EQ(RootPaths(d), (std::vector<std::string>{"F:\\", "G:\\", "E:\\", "D:\\"}));
}

TEST_F(DiscoveryTest, KeysFrom65535OnAreKeptInOrder) {
    AddCdrom('D', 16, 0);  // key 65536
    sim::CdromDevice edge;
    edge.drive = NewDrive();
    edge.port = 15;
    edge.pathId = 15;
    edge.targetId = 15;
    edge.lun = 15;  // key 65535
    m.AddCdrom('E', edge);
    AddCdrom('F', 0, 0);
    DriveManager d;
    EXPECT_EQ(RootPaths(d), (std::vector<std::string>{"F:\\", "E:\\", "D:\\"}));
    for (int i = 0; i < 3; ++i) EXPECT_STRNE(d.table.drives[i].displayName, "") << "each one identified";
}

TEST_F(DiscoveryTest, UnopenableLetterBetweenTwoLeavesNoGap) {
    AddCdrom('D', 1, 0);
    sim::CdromDevice locked;
    locked.drive = NewDrive();
    locked.openFails = true;
    m.AddCdrom('E', locked);
    AddCdrom('F', 1, 1);
    DriveManager d;
    EXPECT_EQ(d.GetDriveCount(), 2);
    EXPECT_EQ(RootPaths(d), (std::vector<std::string>{"D:\\", "F:\\"}));
    EXPECT_TRUE(RowIsZero(d.table.drives[2]));
    EXPECT_EQ(d.GetEntry(2), nullptr);
    EXPECT_NE(d.GetEntry(1), nullptr);
}

TEST_F(DiscoveryTest, SeventeenthDriveIsIgnored) {
    for (int i = 0; i < 17; ++i) AddCdrom(static_cast<char>('D' + i), 1, static_cast<std::uint8_t>(i));
    DriveManager d;
    EXPECT_EQ(d.GetDriveCount(), 16);
    EXPECT_STREQ(d.table.drives[15].rootPath, "S:\\");
    EXPECT_EQ(Opens("\\\\.\\T:"), 0);
}

TEST_F(DiscoveryTest, SixteenFailedAddressQueriesAreAllKept) {
    for (int i = 0; i < 16; ++i) AddFailingAddress(static_cast<char>('D' + i));
    DriveManager d;
    ASSERT_EQ(d.GetDriveCount(), 16);
    EXPECT_EQ(d.table.drives[0].adapter, 2);
    EXPECT_EQ(d.table.drives[15].adapter, 17) << "key 69632, still placed";
}

TEST_F(DiscoveryTest, DriveWithoutIdentityStillGetsItsChipAndTheNextItsOwnAttempts) {
    vdrive::DriveConfig mute;
    mute.faults.push_back({vdrive::CommandKind::Inquiry, 1, 0, vdrive::FaultEffect::NotDelivered});
    auto first = AddCdrom('D', 1, 0, mute);
    auto second = AddCdrom('E', 1, 1, mute);
    DriveManager d;
    ASSERT_EQ(d.GetDriveCount(), 2);
    EXPECT_EQ(Count(*first, 0x12), 10);
    EXPECT_EQ(Count(*second, 0x12), 10);
    EXPECT_STREQ(d.table.drives[0].displayName, "");
    EXPECT_EQ(d.table.drives[0].present, 1);
    EXPECT_EQ(d.table.drives[0].chipId[0], 0xBF);
    EXPECT_EQ(d.table.drives[1].chipId[0], 0xBF);
}

// A drive that answers with fewer bytes than asked for: what the buffer held
// from the reply before must not be read as the rest of its answer. Here
// the INQUIRY's bytes 2-3 (00 02) would complete a two-byte identify reply
// to BF D6 00 02, another chip table entry than the drive's.
TEST_F(DiscoveryTest, ShortIdentifyReplyIsNotCompletedFromTheInquiryBefore) {
    vdrive::DriveConfig terse;
    terse.shortReplies = {{vdrive::CommandKind::Identify, 2}};
    AddCdrom('D', 1, 0, terse);
    DriveManager d;
    ASSERT_EQ(d.GetDriveCount(), 1);
    EXPECT_STREQ(d.table.drives[0].vendor, "VELMORA ");
    EXPECT_EQ(std::vector<std::uint8_t>(d.table.drives[0].chipId, d.table.drives[0].chipId + 4),
              (std::vector<std::uint8_t>{0xBF, 0xD6, 0x00, 0x00}));
}

// The re-inquiry after a run reads one drive after the other through the
// same buffer: a drive whose INQUIRY reply stops after its header must not
// be renamed after the drive read before it.
TEST_F(DiscoveryTest, ShortInquiryReplyIsNotCompletedFromThePreviousDrive) {
    vdrive::DriveConfig other;
    other.vendor = "OTHERCO ";
    AddCdrom('D', 1, 0);
    AddCdrom('E', 1, 1, other);
    DriveManager d;
    ASSERT_EQ(d.GetDriveCount(), 2);
    vdrive::DriveConfig terse = other;
    terse.shortReplies = {{vdrive::CommandKind::Inquiry, 8}};
    m.ConfigureCdrom('E', [&](sim::CdromDevice& device) { device.drive = NewDrive(terse); });

    ASSERT_EQ(d.SelectDrive(0), 1);
    ASSERT_EQ(RefreshCurrentIdentity(d), 1);
    ASSERT_EQ(d.SelectDrive(1), 1);
    EXPECT_EQ(RefreshCurrentIdentity(d), 0) << "a header without a name is no identity";
    EXPECT_STREQ(d.table.drives[1].displayName, "OTHERCO DVDRW KTV-360R  ") << "the row as discovery left it";
    EXPECT_STREQ(d.vendor, "");
}

TEST_F(DiscoveryTest, UnitAttentionIsClearedBeforeTheInquiry) {
    vdrive::DriveConfig attention;
    attention.unitAttention = true;
    auto drive1 = AddCdrom('D', 1, 0, attention);
    DriveManager d;
    EXPECT_STREQ(d.table.drives[0].vendor, "VELMORA ");
    EXPECT_EQ(Count(*drive1, 0x12), 1);
}

TEST_F(DiscoveryTest, AspiScanSendsItsRequestsInOrder) {
    m.SetPlatform(sim::Platform::Older);
    InstallAspi({{NewDrive()}, {}}, {.completion = sim::AspiCompletion::Synchronous});
    DriveManager d;
    ASSERT_EQ(d.GetDriveCount(), 1);

    const auto log = m.AspiLog();
    std::vector<sim::AspiRecord> scan;
    for (const auto& record : log) {
        if (record.command != SC_EXEC_SCSI_CMD) scan.push_back(record);
    }
    ASSERT_EQ(scan.size(), 1u + 2u + 2u * (1u + 128u));
    EXPECT_EQ(scan[0].bytes, std::vector<std::uint8_t>(60, 0)) << "the count inquiry is all zero";
    EXPECT_EQ(scan[1].bytes, (std::vector<std::uint8_t>{SC_RESCAN_SCSI_BUS, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(scan[2].bytes, (std::vector<std::uint8_t>{SC_RESCAN_SCSI_BUS, 0, 1, 0, 0, 0, 0, 0}));
    std::size_t at = 3;
    for (BYTE a = 0; a < 2; ++a) {
        EXPECT_EQ(scan[at].command, SC_HA_INQUIRY);
        EXPECT_EQ(scan[at].bytes[2], a);
        ++at;
        for (BYTE t = 0; t < 16; ++t) {
            for (BYTE l = 0; l < 8; ++l, ++at) {
                EXPECT_EQ(scan[at].bytes, (std::vector<std::uint8_t>{SC_GET_DEV_TYPE, 0, a, 0, 0, 0, 0, 0, t, l, 0, 0}));
            }
        }
    }
    EXPECT_EQ(d.table.drives[0].viaAspi, 1);
    EXPECT_STREQ(d.table.drives[0].rootPath, "");
    EXPECT_STREQ(d.table.drives[0].vendor, "VELMORA ");
}

TEST_F(DiscoveryTest, AspiAdapterThatDoesNotAnswerEndsTheScan) {
    m.SetPlatform(sim::Platform::Older);
    sim::AspiManagerConfig config;
    config.installed = true;
    config.adapters.resize(3);
    config.adapters[0].devices[{2, 0}] = sim::AspiDevice{DTYPE_CDROM, NewDrive(), sim::AspiCompletion::Synchronous};
    config.adapters[1].inquiryFails = true;
    config.adapters[2].devices[{0, 0}] = sim::AspiDevice{DTYPE_CDROM, NewDrive(), sim::AspiCompletion::Synchronous};
    config.adapters[0].devices[{3, 1}] = sim::AspiDevice{0x00, nullptr, sim::AspiCompletion::Synchronous};
    m.SetAspiManager(config);
    DriveManager d;
    ASSERT_EQ(d.GetDriveCount(), 1) << "the disk is no CD-ROM, adapter 2 is never reached";
    EXPECT_EQ(d.table.drives[0].target, 2);
}

TEST_F(DiscoveryTest, SeventeenthAspiDriveIsIgnored) {
    m.SetPlatform(sim::Platform::Older);
    sim::AspiManagerConfig config;
    config.installed = true;
    config.adapters.resize(1);
    for (BYTE t = 0; t < 16; ++t) {
        for (BYTE l = 0; l < 2; ++l) {
            config.adapters[0].devices[{t, l}] =
                sim::AspiDevice{DTYPE_CDROM, NewDrive(), sim::AspiCompletion::Synchronous};
        }
    }
    m.SetAspiManager(config);
    DriveManager d;
    ASSERT_EQ(d.GetDriveCount(), 16);
    EXPECT_EQ(d.table.drives[15].target, 7);
    EXPECT_EQ(d.table.drives[15].lun, 1);
}

// The scan keeps asking after the table is full: every adapter, target and
// unit gets its device type request, and only the table stops growing.
TEST_F(DiscoveryTest, AspiScanAsksEveryAdapterAfterSixteenDrives) {
    m.SetPlatform(sim::Platform::Older);
    sim::AspiManagerConfig config;
    config.installed = true;
    config.adapters.resize(3);
    for (BYTE t = 0; t < 16; ++t)
        config.adapters[0].devices[{t, 0}] = sim::AspiDevice{DTYPE_CDROM, NewDrive(), sim::AspiCompletion::Synchronous};
    config.adapters[2].devices[{5, 0}] = sim::AspiDevice{DTYPE_CDROM, NewDrive(), sim::AspiCompletion::Synchronous};
    m.SetAspiManager(config);
    DriveManager d;
    ASSERT_EQ(d.GetDriveCount(), 16);
    EXPECT_EQ(d.table.drives[15].adapter, 0) << "the drive on the last adapter is the 17th";

    std::size_t inquiries = 0;
    std::size_t deviceTypes = 0;
    bool lastUnitAsked = false;
    for (const auto& record : m.AspiLog()) {
        if (record.command == SC_HA_INQUIRY) ++inquiries;
        if (record.command != SC_GET_DEV_TYPE) continue;
        ++deviceTypes;
        lastUnitAsked |= record.bytes[2] == 2 && record.bytes[8] == 15 && record.bytes[9] == 7;
    }
    EXPECT_EQ(inquiries, 1u + 3u);
    EXPECT_EQ(deviceTypes, 3u * 16u * 8u);
    EXPECT_TRUE(lastUnitAsked);
}

// A drive that hangs leaves its request with the ASPI manager; the drives
// after it are still asked, with a new block and new buffers.
TEST_F(DiscoveryTest, AspiDriveThatHangsDoesNotSilenceTheDrivesAfterIt) {
    m.SetPlatform(sim::Platform::Older);
    m.SetClockMode(sim::ClockMode::Virtual);
    vdrive::DriveConfig hung;
    hung.faults.push_back({vdrive::CommandKind::Any, 1, 0, vdrive::FaultEffect::Hangs});
    InstallAspi({{NewDrive(hung), NewDrive()}});
    const std::uint32_t keptBefore = KeptAspiRequestCount();
    const double start = m.NowSeconds();
    DriveManager d;
    EXPECT_LT(m.NowSeconds() - start, 60.0);
    ASSERT_EQ(d.GetDriveCount(), 2);
    EXPECT_STREQ(d.table.drives[0].vendor, "");
    EXPECT_STREQ(d.table.drives[1].vendor, "VELMORA ");
    EXPECT_EQ(KeptAspiRequestCount(), keptBefore + 1) << "the hung request's memory is kept";
}

TEST_F(DiscoveryTest, AspiMissingDrivesOnNtFallsBackToPassThrough) {
    AddCdrom('D', 1, 0);
    AddCdrom('E', 1, 1);
    InstallAspi({{NewDrive()}});
    SetApplicationTag(kPreferAspiTag);
    DriveManager d;
    EXPECT_EQ(d.useAspi, 0);
    EXPECT_EQ(d.aspi.SupportInfo(), nullptr);
    EXPECT_EQ(m.AspiReferences(), 0);
    ASSERT_EQ(d.GetDriveCount(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(d.table.drives[i].viaAspi, 0);
        EXPECT_STRNE(d.table.drives[i].rootPath, "");
    }
}

TEST_F(DiscoveryTest, AspiSeeingEveryDriveOnNtStands) {
    auto letterDrive = AddCdrom('D', 1, 0);
    InstallAspi({{letterDrive}});
    SetApplicationTag(kPreferAspiTag);
    DriveManager d;
    EXPECT_EQ(d.useAspi, 1);
    ASSERT_EQ(d.GetDriveCount(), 1);
    EXPECT_EQ(d.table.drives[0].viaAspi, 1);
    EXPECT_TRUE(m.PassThroughRequests().empty());
}

TEST_F(DiscoveryTest, AspiOnTheOlderFamilyStandsWithFewerDrivesThanLetters) {
    m.SetPlatform(sim::Platform::Older);
    AddCdrom('D', 1, 0);
    AddCdrom('E', 1, 1);
    InstallAspi({{NewDrive()}});
    DriveManager d;
    EXPECT_EQ(d.GetDriveCount(), 1);
    EXPECT_EQ(d.table.drives[0].viaAspi, 1);
}

TEST_F(DiscoveryTest, WithoutAspiEntryPointsTheScanFindsNothing) {
    m.SetPlatform(sim::Platform::Older);
    AddCdrom('D', 1, 0);
    DriveManager d;
    EXPECT_EQ(d.GetDriveCount(), 0);
    EXPECT_TRUE(m.AspiLog().empty());
    EXPECT_EQ(m.AspiCallsWhileUnloaded(), 0);
}

TEST_F(DiscoveryTest, DriveListFailuresAreCountedApart) {
    AddCdrom('D', 1, 0);
    AddCdrom('E', 1, 1);
    DriveManager d(false);
    EXPECT_EQ(d.CountCdromLetters(), 2);
    m.SetHeapAllocFails(true);
    EXPECT_EQ(d.CountCdromLetters(), -1);
    d.Discover();
    EXPECT_EQ(d.GetDriveCount(), 0);
    m.SetHeapAllocFails(false);
    m.SetDriveStringsFail(true);
    EXPECT_EQ(d.CountCdromLetters(), 0);
}

TEST_F(DiscoveryTest, SelectionOpensOnceAndRefusesWhatIsNotThere) {
    AddCdrom('D', 1, 0);
    AddCdrom('E', 1, 1);
    DriveManager d;
    const int before = Opens("\\\\.\\D:");
    ASSERT_EQ(d.SelectDrive(0), 1);
    EXPECT_EQ(d.adapter, 1);
    EXPECT_EQ(d.target, 0);
    EXPECT_STREQ(d.vendor, "VELMORA ");
    EXPECT_EQ(d.SelectDrive(0), 1);
    EXPECT_EQ(Opens("\\\\.\\D:"), before + 1) << "already current: not reopened";

    const HANDLE open = d.deviceHandle;
    EXPECT_EQ(d.SelectDrive(5), 0);
    EXPECT_EQ(d.deviceHandle, open) << "the open drive stays open";
    for (std::int16_t bad : {std::int16_t{-1}, std::int16_t{16}, kNoDriveSelected}) EXPECT_EQ(d.SelectDrive(bad), 0);
    EXPECT_EQ(d.IsPresent(16), 0);
    EXPECT_EQ(d.IsPresent(-3), 0);
    EXPECT_EQ(d.CurrentDrive(), 0);

    ASSERT_EQ(d.SelectDrive(1), 1);
    EXPECT_EQ(m.OpenHandles(sim::HandleKind::Device), 1) << "the previous device was closed";
    d.CloseDrive();
    EXPECT_EQ(d.CurrentDrive(), kNoDriveSelected);
    EXPECT_EQ(m.OpenHandles(sim::HandleKind::Device), 0);
}

TEST_F(DiscoveryTest, SelectionWhoseOpenFailsCanBeTriedAgain) {
    AddCdrom('D', 1, 0);
    DriveManager d;
    m.ConfigureCdrom('D', [](sim::CdromDevice& device) { device.openFails = true; });
    EXPECT_EQ(d.SelectDrive(0), 0);
    EXPECT_EQ(d.CurrentDrive(), kSelectionFailed);
    EXPECT_EQ(d.adapter, -1);
    EXPECT_EQ(d.deviceHandle, INVALID_HANDLE_VALUE);
    m.ConfigureCdrom('D', [](sim::CdromDevice& device) { device.openFails = false; });
    EXPECT_EQ(d.SelectDrive(0), 1);
    EXPECT_EQ(d.CurrentDrive(), 0);
}

TEST_F(DiscoveryTest, CopiedStateSelectsAndOpensAfresh) {
    AddCdrom('D', 1, 0);
    auto second = AddCdrom('E', 1, 1);
    DriveManager source;
    source.SetTimeout(600);
    source.EnableRetry();
    ASSERT_EQ(source.SelectDrive(1), 1);

    DriveManager worker(false);
    DriveManager::CopyDiscoveryState(&source, &worker);
    EXPECT_EQ(worker.GetDriveCount(), 2);
    EXPECT_EQ(worker.timeoutSeconds, 600u);
    EXPECT_EQ(worker.retryOnFailure, 1);
    EXPECT_EQ(worker.adapter, 1);
    EXPECT_STREQ(worker.vendor, "VELMORA ");
    EXPECT_EQ(std::memcmp(worker.table.drives, source.table.drives, sizeof worker.table.drives), 0);
    EXPECT_EQ(worker.CurrentDrive(), kNoDriveSelected);
    EXPECT_EQ(worker.deviceHandle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(source.CurrentDrive(), 1) << "the source is unchanged";

    const int before = Opens("\\\\.\\E:");
    ASSERT_EQ(worker.SelectDrive(1), 1);
    EXPECT_EQ(Opens("\\\\.\\E:"), before + 1);
    EXPECT_NE(worker.deviceHandle, source.deviceHandle);

    DriveManager::CopyDiscoveryState(nullptr, &worker);
    EXPECT_EQ(worker.CurrentDrive(), 1) << "nothing to copy from";
}
