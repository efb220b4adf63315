#include <cstring>
#include <memory>
#include <vector>

#include "drive_commands.h"
#include "machine_fixture.h"
#include "sim/vdrive/drive.h"
#include "src/drive/transport/passthrough_layout.h"

namespace {

using DeviceTest = MachineTest;

HANDLE Open(const char* path) {
    return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, 0, nullptr);
}

sim::CdromDevice DeviceAt(std::uint8_t port, std::uint8_t target) {
    sim::CdromDevice device;
    device.drive = std::make_shared<vdrive::Drive>();
    device.port = port;
    device.pathId = 0;
    device.targetId = target;
    return device;
}

struct AddressReply {
    BOOL ok;
    DWORD error;
    SCSI_ADDRESS address;
};

AddressReply QueryAddress(HANDLE device) {
    AddressReply reply{};
    std::memset(&reply.address, 0xEE, sizeof reply.address);
    DWORD returned = 0;
    reply.ok = DeviceIoControl(device, IOCTL_SCSI_GET_ADDRESS, &reply.address, sizeof reply.address,
                               &reply.address, sizeof reply.address, &returned, nullptr);
    reply.error = reply.ok ? 0 : GetLastError();
    return reply;
}

PassThroughRequest Request(const std::array<std::uint8_t, 12>& cdb, UCHAR dataIn, void* data, ULONG length) {
    PassThroughRequest request;
    std::memset(&request, 0, sizeof request);
    request.sptd.Length = sizeof(SCSI_PASS_THROUGH_DIRECT);
    request.sptd.CdbLength = 12;
    request.sptd.SenseInfoLength = 24;
    request.sptd.DataIn = dataIn;
    request.sptd.DataTransferLength = length;
    request.sptd.TimeOutValue = 10;
    request.sptd.DataBuffer = data;
    request.sptd.SenseInfoOffset = kPassThroughSenseOffset;
    std::memcpy(request.sptd.Cdb, cdb.data(), cdb.size());
    return request;
}

BOOL Send(HANDLE device, PassThroughRequest& request) {
    DWORD returned = 0;
    return DeviceIoControl(device, IOCTL_SCSI_PASS_THROUGH_DIRECT, &request, sizeof request, &request,
                           sizeof request, &returned, nullptr);
}

}  // namespace

TEST_F(DeviceTest, OpeningDevicePathsAndFailures) {
    m.AddCdrom('D', DeviceAt(1, 0));
    auto failing = DeviceAt(1, 1);
    failing.openFails = true;
    m.AddCdrom('E', failing);

    HANDLE device = Open("\\\\.\\D:");
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open("\\\\.\\E:"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open("\\\\.\\F:"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open("D:\\"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(m.OpenHandles(sim::HandleKind::Device), 1);
    EXPECT_TRUE(CloseHandle(device));
    EXPECT_FALSE(CloseHandle(device)) << "closed twice";
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
    const auto opens = m.DeviceOpens();
    ASSERT_EQ(opens.size(), 4u);
    EXPECT_EQ(opens[0].access, GENERIC_READ | GENERIC_WRITE);
    EXPECT_TRUE(opens[0].succeeded);
    EXPECT_FALSE(opens[1].succeeded);
}

TEST_F(DeviceTest, AddressQueryAnswersFailsWithError50OrReportsLengthZero) {
    auto answering = DeviceAt(3, 4);
    answering.pathId = 1;
    answering.lun = 2;
    m.AddCdrom('D', answering);
    m.AddCdrom('E', {});  // a letter without a device
    auto empty = DeviceAt(1, 0);
    empty.addressQuery = sim::AddressQuery::LengthZero;
    m.AddCdrom('F', empty);

    HANDLE d = Open("\\\\.\\D:");
    HANDLE e = Open("\\\\.\\E:");
    HANDLE f = Open("\\\\.\\F:");
    ASSERT_TRUE(d != INVALID_HANDLE_VALUE && e != INVALID_HANDLE_VALUE && f != INVALID_HANDLE_VALUE);

    const AddressReply good = QueryAddress(d);
    EXPECT_TRUE(good.ok);
    EXPECT_EQ(good.address.Length, 8u);
    EXPECT_EQ(good.address.PortNumber, 3);
    EXPECT_EQ(good.address.PathId, 1);
    EXPECT_EQ(good.address.TargetId, 4);
    EXPECT_EQ(good.address.Lun, 2);

    const AddressReply none = QueryAddress(e);
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(none.error, 50u);

    const AddressReply zero = QueryAddress(f);
    EXPECT_TRUE(zero.ok);
    EXPECT_EQ(zero.address.Length, 0u);
    for (HANDLE h : {d, e, f}) CloseHandle(h);
}

TEST_F(DeviceTest, StorageDescriptorIsCutToTheCallersArea) {
    auto usb = DeviceAt(1, 0);
    usb.busType = BusTypeUsb;
    m.AddCdrom('D', usb);
    HANDLE d = Open("\\\\.\\D:");
    std::vector<BYTE> area(40, 0);
    area.resize(48, 0xCC);  // guard bytes past the 40-byte area
    DWORD returned = 0;
    ASSERT_TRUE(DeviceIoControl(d, IOCTL_STORAGE_QUERY_PROPERTY, area.data(), 40, area.data(), 40,
                                &returned, nullptr));
    EXPECT_EQ(returned, 40u);
    STORAGE_BUS_TYPE bus;
    std::memcpy(&bus, area.data() + 28, sizeof bus);
    EXPECT_EQ(bus, BusTypeUsb);
    EXPECT_EQ(area[40], 0xCC);

    area.assign(40, 0);
    area[0] = 9;  // not the device property
    EXPECT_FALSE(DeviceIoControl(d, IOCTL_STORAGE_QUERY_PROPERTY, area.data(), 40, area.data(), 40,
                                 &returned, nullptr));
    CloseHandle(d);
}

TEST_F(DeviceTest, PassThroughMovesDataAndRecordsTheBlockAsSent) {
    m.AddCdrom('D', DeviceAt(1, 0));
    HANDLE d = Open("\\\\.\\D:");
    std::vector<std::uint8_t> data(96, 0);
    PassThroughRequest request = Request(kInquiry, SCSI_IOCTL_DATA_IN, data.data(), 96);
    ASSERT_TRUE(Send(d, request));
    EXPECT_EQ(request.sptd.ScsiStatus, 0);
    EXPECT_GE(request.sptd.DataTransferLength, 36u);
    EXPECT_EQ(data[0] & 0x1F, 0x05) << "a CD-ROM device answered";
    EXPECT_EQ(request.sense[2], 0) << "no sense written for a good command";

    const auto sent = m.PassThroughRequests();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].DataIn, SCSI_IOCTL_DATA_IN);
    EXPECT_EQ(sent[0].DataTransferLength, 96u);
    EXPECT_EQ(sent[0].DataBuffer, data.data());
    EXPECT_EQ(sent[0].Cdb[0], 0x12);
    CloseHandle(d);
}

TEST_F(DeviceTest, CheckConditionIsASuccessfulCallWithSenseAtTheOffset) {
    m.AddCdrom('D', DeviceAt(1, 0));
    HANDLE d = Open("\\\\.\\D:");
    PassThroughRequest request = Request(kUnknownCommand, SCSI_IOCTL_DATA_UNSPECIFIED, nullptr, 0);
    request.filler = 0xA5A5A5A5;
    ASSERT_TRUE(Send(d, request));
    EXPECT_EQ(request.sptd.ScsiStatus, 0x02);
    EXPECT_EQ(request.sense[0] & 0x7F, 0x70) << "fixed-format sense starts at SenseInfoOffset";
    EXPECT_EQ(request.sense[2] & 0x0F, kSenseIllegalRequest);
    EXPECT_EQ(request.filler, 0xA5A5A5A5u) << "nothing written before the offset";
    EXPECT_EQ(request.sense[24], 0) << "no more than SenseInfoLength bytes";

    // The sense goes where the caller points, not to a fixed place.
    struct {
        SCSI_PASS_THROUGH_DIRECT sptd;
        UCHAR pad[20];
        UCHAR sense[32];
    } moved{};
    moved.sptd = Request(kUnknownCommand, SCSI_IOCTL_DATA_UNSPECIFIED, nullptr, 0).sptd;
    moved.sptd.SenseInfoOffset = offsetof(decltype(moved), sense);
    DWORD returned = 0;
    ASSERT_TRUE(DeviceIoControl(d, IOCTL_SCSI_PASS_THROUGH_DIRECT, &moved, sizeof moved, &moved,
                                sizeof moved, &returned, nullptr));
    EXPECT_EQ(moved.sense[2] & 0x0F, kSenseIllegalRequest);
    EXPECT_EQ(moved.pad[0], 0);
    CloseHandle(d);
}

TEST_F(DeviceTest, PassThroughFailuresAndMalformedRequests) {
    auto failing = DeviceAt(1, 0);
    failing.passThroughFails = true;
    m.AddCdrom('D', failing);
    m.AddCdrom('E', {});
    m.AddCdrom('F', DeviceAt(1, 1));
    HANDLE d = Open("\\\\.\\D:");
    HANDLE e = Open("\\\\.\\E:");
    HANDLE f = Open("\\\\.\\F:");

    PassThroughRequest request = Request(kInquiry, SCSI_IOCTL_DATA_UNSPECIFIED, nullptr, 0);
    EXPECT_FALSE(Send(d, request));
    EXPECT_EQ(GetLastError(), ERROR_IO_DEVICE);
    EXPECT_FALSE(Send(e, request)) << "no device behind the letter";

    PassThroughRequest bad = Request(kInquiry, SCSI_IOCTL_DATA_IN, nullptr, 96);
    EXPECT_FALSE(Send(f, bad)) << "data phase without a buffer";
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    bad = Request(kInquiry, SCSI_IOCTL_DATA_UNSPECIFIED, nullptr, 0);
    bad.sptd.SenseInfoOffset = sizeof bad;  // sense would land past the block
    EXPECT_FALSE(Send(f, bad));
    EXPECT_FALSE(Send(INVALID_HANDLE_VALUE, request));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    for (HANDLE h : {d, e, f}) CloseHandle(h);
}

TEST_F(DeviceTest, LatencyRunsOnTheMachineClockAndTheTimeOutEndsTheCall) {
    m.SetClockMode(sim::ClockMode::Virtual);
    vdrive::DriveConfig config;
    config.commandSeconds = 2.5;
    auto slow = DeviceAt(1, 0);
    slow.drive = std::make_shared<vdrive::Drive>(config);
    m.AddCdrom('D', slow);
    HANDLE d = Open("\\\\.\\D:");

    PassThroughRequest request = Request(kUnknownCommand, SCSI_IOCTL_DATA_UNSPECIFIED, nullptr, 0);
    double before = m.NowSeconds();
    EXPECT_TRUE(Send(d, request));
    EXPECT_NEAR(m.NowSeconds() - before, 2.5, 0.001);

    request = Request(kUnknownCommand, SCSI_IOCTL_DATA_UNSPECIFIED, nullptr, 0);
    request.sptd.TimeOutValue = 1;
    before = m.NowSeconds();
    EXPECT_FALSE(Send(d, request));
    EXPECT_EQ(GetLastError(), ERROR_SEM_TIMEOUT);
    EXPECT_GT(m.NowSeconds() - before, 1.0) << "the platform gave up after TimeOutValue";
    EXPECT_LT(m.NowSeconds() - before, 1.1);

    m.ConfigureCdrom('D', [](sim::CdromDevice& device) { device.completesAtTimeOut = true; });
    std::vector<std::uint8_t> data(96, 0);
    request = Request(kInquiry, SCSI_IOCTL_DATA_IN, data.data(), 96);
    request.sptd.TimeOutValue = 1;
    before = m.NowSeconds();
    EXPECT_TRUE(Send(d, request)) << "the completion won the race with the timer";
    EXPECT_NEAR(m.NowSeconds() - before, 1.0, 1e-6) << "at exactly TimeOutValue";
    EXPECT_EQ(request.sptd.ScsiStatus, 0);
    EXPECT_EQ(data[0] & 0x1F, 0x05) << "with the drive's answer";
    CloseHandle(d);
}

TEST_F(DeviceTest, UnansweredAndBusyCommands) {
    vdrive::DriveConfig config;
    config.faults.push_back({vdrive::CommandKind::Inquiry, 1, 1, vdrive::FaultEffect::NotDelivered});
    config.faults.push_back({vdrive::CommandKind::Inquiry, 2, 1, vdrive::FaultEffect::Busy});
    auto faulty = DeviceAt(1, 0);
    faulty.drive = std::make_shared<vdrive::Drive>(config);
    m.AddCdrom('D', faulty);
    HANDLE d = Open("\\\\.\\D:");
    std::vector<std::uint8_t> data(96, 0);

    PassThroughRequest request = Request(kInquiry, SCSI_IOCTL_DATA_IN, data.data(), 96);
    EXPECT_FALSE(Send(d, request));
    EXPECT_EQ(GetLastError(), ERROR_IO_DEVICE);

    request = Request(kInquiry, SCSI_IOCTL_DATA_IN, data.data(), 96);
    EXPECT_TRUE(Send(d, request));
    EXPECT_EQ(request.sptd.ScsiStatus, 0x08);
    EXPECT_EQ(request.sense[0], 0) << "BUSY carries no sense";
    CloseHandle(d);
}
