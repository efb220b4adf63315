// The request handling both simulated ASPI managers share, tested on its
// own: what the host build's machine and the test DLL each did once, and
// only one of them was tested for.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "sim/aspi-core/final_status.h"
#include "sim/aspi-core/manager.h"
#include "sim/vdrive/drive.h"
#include "support/exec_request_block.h"

namespace {

using aspisim::Disposition;

constexpr std::array<std::uint8_t, 12> kInquiry{0x12, 0, 0, 0, 96, 0, 0, 0, 0, 0, 0, 0};
constexpr std::array<std::uint8_t, 12> kUnknownCommand{0xEE, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr BYTE kCallerFilled = 0x5A;  // a status byte no manager writes
constexpr BYTE kSenseIllegalRequest = 0x05;

// One adapter with a CD-ROM drive at target 1 and a disk without a drive at
// target 0.
aspisim::ManagerConfig OneAdapter(std::shared_ptr<vdrive::Drive> drive, aspisim::Device options = {}) {
    aspisim::ManagerConfig config;
    config.adapters.resize(1);
    options.drive = std::move(drive);
    config.adapters[0].devices[{1, 0}] = options;
    config.adapters[0].devices[{0, 0}] = aspisim::Device{.deviceType = 0x00};
    return config;
}

class AspiCore : public ::testing::Test {
protected:
    SRB_ExecSCSICmd Exec(const std::array<std::uint8_t, 12>& cdb, BYTE flags = SRB_DIR_IN) {
        SRB_ExecSCSICmd srb = ExecRequestBlock(cdb, flags, data);
        srb.SRB_Status = kCallerFilled;
        srb.SRB_Target = 1;
        return srb;
    }

    // Sends, runs and completes one command, as a front end does.
    BYTE RunToTheEnd(aspisim::Manager& manager, SRB_ExecSCSICmd& srb) {
        aspisim::Reply reply = manager.Send(&srb);
        EXPECT_EQ(reply.disposition, Disposition::Accepted);
        if (!reply.request) return 0;
        const aspisim::Answer answer = aspisim::WriteAnswer(*reply.request, aspisim::Run(*reply.request));
        manager.Complete(*reply.request, answer.status);
        return srb.SRB_Status;
    }

    std::shared_ptr<vdrive::Drive> drive = std::make_shared<vdrive::Drive>();
    std::vector<BYTE> data = std::vector<BYTE>(96, 0);
};

}  // namespace

TEST_F(AspiCore, AdapterRequestsAnswerFromTheConfiguration) {
    aspisim::ManagerConfig config = OneAdapter(drive);
    config.supportStatus = SS_ILLEGAL_MODE;
    config.hostIdentifier = "NORVEK VDRIVE";
    aspisim::Adapter failing;
    failing.inquiryFails = true;
    config.adapters.push_back(failing);
    aspisim::Manager manager(config);
    EXPECT_EQ(manager.SupportInfo(), 0xE202u);

    SRB_HAInquiry inquiry{};
    EXPECT_EQ(manager.Send(&inquiry).code, SS_COMP);
    EXPECT_EQ(inquiry.SRB_Status, SS_COMP);
    EXPECT_EQ(inquiry.HA_Count, 2);
    EXPECT_EQ(inquiry.HA_SCSI_ID, 7);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(inquiry.HA_Identifier), 16), "NORVEK VDRIVE   ");
    inquiry = {};
    inquiry.SRB_HaId = 1;
    EXPECT_EQ(manager.Send(&inquiry).code, SS_ERR) << "an adapter whose inquiry fails";
    inquiry = {};
    inquiry.SRB_HaId = 2;
    EXPECT_EQ(manager.Send(&inquiry).code, SS_INVALID_HA);
    EXPECT_EQ(inquiry.SRB_Status, SS_INVALID_HA);

    SRB_GDEVBlock slot{};
    slot.SRB_Cmd = SC_GET_DEV_TYPE;
    slot.SRB_Target = 1;
    EXPECT_EQ(manager.Send(&slot).code, SS_COMP);
    EXPECT_EQ(slot.SRB_DeviceType, DTYPE_CDROM);
    for (auto [target, lun] : {std::pair{2, 0}, std::pair{16, 0}, std::pair{1, 8}}) {
        slot = {};
        slot.SRB_Cmd = SC_GET_DEV_TYPE;
        slot.SRB_Target = static_cast<BYTE>(target);
        slot.SRB_Lun = static_cast<BYTE>(lun);
        slot.SRB_DeviceType = 0x1F;
        EXPECT_EQ(manager.Send(&slot).code, SS_NO_DEVICE) << target << "/" << lun;
        EXPECT_EQ(slot.SRB_DeviceType, 0x1F) << "no type written for an empty slot";
    }

    SRB_RescanPort rescan{};
    rescan.SRB_Cmd = SC_RESCAN_SCSI_BUS;
    rescan.SRB_HaId = 5;
    EXPECT_EQ(manager.Send(&rescan).code, SS_INVALID_HA);

    SRB_Header unknown{};
    unknown.SRB_Cmd = 0x33;
    EXPECT_EQ(manager.Send(&unknown).code, aspisim::kSsInvalidSrb);
    EXPECT_EQ(unknown.SRB_Status, aspisim::kSsInvalidSrb);
}

TEST_F(AspiCore, AManagerWithoutAdaptersStillAnswersTheFirstInquiry) {
    aspisim::Manager manager{aspisim::ManagerConfig{}};
    EXPECT_EQ(manager.SupportInfo(), 0x0100u);
    SRB_HAInquiry inquiry{};
    inquiry.HA_Count = 9;
    EXPECT_EQ(manager.Send(&inquiry).code, SS_COMP);
    EXPECT_EQ(inquiry.HA_Count, 0);
    inquiry.SRB_HaId = 1;
    EXPECT_EQ(manager.Send(&inquiry).code, SS_INVALID_HA);
}

TEST_F(AspiCore, ACommandToNoDeviceIsAnsweredInTheBlockAndNeverReachesADrive) {
    aspisim::Manager manager(OneAdapter(drive));
    SRB_ExecSCSICmd srb = Exec(kInquiry);
    srb.SRB_HaId = 1;
    aspisim::Reply reply = manager.Send(&srb);
    EXPECT_EQ(reply.disposition, Disposition::Answered);
    EXPECT_EQ(reply.code, SS_INVALID_HA);
    EXPECT_EQ(srb.SRB_Status, SS_INVALID_HA);

    srb = Exec(kInquiry);
    srb.SRB_Target = 9;
    reply = manager.Send(&srb);
    EXPECT_EQ(reply.code, SS_NO_DEVICE);
    EXPECT_EQ(srb.SRB_Status, SS_NO_DEVICE);
    EXPECT_FALSE(reply.request);
    EXPECT_FALSE(manager.Pending(&srb));
    EXPECT_TRUE(drive->Commands().empty());
}

TEST_F(AspiCore, ARefusingDeviceLeavesTheBlockAsTheCallerFilledIt) {
    aspisim::Manager manager(OneAdapter(drive, {.refusesWith = SS_ASPI_IS_BUSY}));
    SRB_ExecSCSICmd srb = Exec(kInquiry);
    const SRB_ExecSCSICmd sent = srb;
    const aspisim::Reply reply = manager.Send(&srb);
    EXPECT_EQ(reply.disposition, Disposition::Refused);
    EXPECT_EQ(reply.code, SS_ASPI_IS_BUSY);
    EXPECT_EQ(std::memcmp(&srb, &sent, sizeof srb), 0);
    EXPECT_FALSE(manager.Pending(&srb));
    EXPECT_TRUE(drive->Commands().empty());
}

TEST_F(AspiCore, AnAcceptedCommandOwnsItsBlockUntilItIsComplete) {
    aspisim::Manager manager(OneAdapter(drive));
    SRB_ExecSCSICmd srb = Exec(kInquiry, SRB_DIR_IN | SRB_EVENT_NOTIFY);
    int event = 0;
    srb.SRB_PostProc = &event;
    aspisim::Reply reply = manager.Send(&srb);
    ASSERT_EQ(reply.disposition, Disposition::Accepted);
    EXPECT_EQ(srb.SRB_Status, SS_PENDING);
    const aspisim::Request request = *reply.request;
    EXPECT_EQ(request.target, 1);
    EXPECT_EQ(request.cdb[0], 0x12);
    EXPECT_EQ(request.cdbLength, 12u);
    EXPECT_EQ(request.direction, vdrive::Direction::In);
    EXPECT_EQ(request.buffer, data.data());
    EXPECT_EQ(request.length, 96u);
    EXPECT_EQ(request.event, &event);

    const SRB_ExecSCSICmd held = srb;
    reply = manager.Send(&srb);
    EXPECT_EQ(reply.disposition, Disposition::Reused);
    EXPECT_EQ(reply.code, aspisim::kSsInvalidSrb);
    EXPECT_EQ(std::memcmp(&srb, &held, sizeof srb), 0) << "a pending block is left alone";

    const aspisim::Answer answer = aspisim::WriteAnswer(request, aspisim::Run(request));
    EXPECT_EQ(srb.SRB_Status, SS_PENDING) << "the status is stored last, by Complete";
    manager.Complete(request, answer.status);
    EXPECT_EQ(srb.SRB_Status, SS_COMP);
    EXPECT_FALSE(manager.Pending(&srb));
    EXPECT_EQ(data[0] & 0x1F, DTYPE_CDROM);
    EXPECT_EQ(drive->Commands().size(), 1u) << "the reused block reached no drive";

    srb = Exec(kInquiry);
    EXPECT_EQ(manager.Send(&srb).disposition, Disposition::Accepted) << "a completed block may be sent again";
    EXPECT_EQ(manager.Send(&srb).request, std::nullopt);
}

TEST_F(AspiCore, AHungDrivesRequestStaysPendingAndItsBlockUntouched) {
    vdrive::DriveConfig hangs;
    hangs.faults.push_back({vdrive::CommandKind::Inquiry, 1, 1, vdrive::FaultEffect::Hangs});
    drive = std::make_shared<vdrive::Drive>(hangs);
    aspisim::Manager manager(OneAdapter(drive));
    SRB_ExecSCSICmd srb = Exec(kInquiry);
    const aspisim::Reply reply = manager.Send(&srb);
    ASSERT_TRUE(reply.request);
    EXPECT_TRUE(aspisim::Run(*reply.request).Hung());
    EXPECT_TRUE(manager.Pending(&srb));
    EXPECT_EQ(srb.SRB_Status, SS_PENDING);
    EXPECT_EQ(manager.Send(&srb).disposition, Disposition::Reused);
}

TEST_F(AspiCore, TheAnswerCarriesTheSenseOnlyOnACheckCondition) {
    aspisim::Manager manager(OneAdapter(drive));
    SRB_ExecSCSICmd srb = Exec(kUnknownCommand, 0);
    srb.SRB_SenseLen = 8;
    EXPECT_EQ(RunToTheEnd(manager, srb), SS_ERR);
    EXPECT_EQ(srb.SRB_TargStat, vdrive::kStatusCheckCondition);
    EXPECT_EQ(srb.SRB_HaStat, 0);
    EXPECT_EQ(srb.SenseArea[2] & 0x0F, kSenseIllegalRequest);
    EXPECT_EQ(srb.SenseArea[8], 0) << "no more than SRB_SenseLen bytes";

    SRB_ExecSCSICmd good = Exec(kInquiry);
    EXPECT_EQ(RunToTheEnd(manager, good), SS_COMP);
    EXPECT_EQ(good.SRB_TargStat, vdrive::kStatusGood);
    EXPECT_EQ(good.SenseArea[2], 0);

    aspisim::Manager completes(OneAdapter(drive, {.checkConditionCompletes = true}));
    SRB_ExecSCSICmd reported = Exec(kUnknownCommand, 0);
    EXPECT_EQ(RunToTheEnd(completes, reported), SS_COMP);
    EXPECT_EQ(reported.SRB_TargStat, vdrive::kStatusCheckCondition);
    EXPECT_EQ(reported.SenseArea[2] & 0x0F, kSenseIllegalRequest);
}

// A caller may put any SRB_SenseLen into the block; the sense goes into the
// record's own sense area and never past it.
TEST_F(AspiCore, ALongSenseLengthNeverWritesPastTheRecord) {
    aspisim::Manager manager(OneAdapter(drive));
    struct {
        SRB_ExecSCSICmd srb;
        std::array<BYTE, 16> after;
    } block{};
    block.after.fill(0xA5);
    block.srb = Exec(kUnknownCommand, 0);
    block.srb.SRB_SenseLen = 0xFF;
    const aspisim::Reply reply = manager.Send(&block.srb);
    ASSERT_TRUE(reply.request);
    const aspisim::Answer answer = aspisim::WriteAnswer(*reply.request, aspisim::Run(*reply.request));
    EXPECT_EQ(answer.senseLength, sizeof block.srb.SenseArea);
    for (BYTE byte : block.after) EXPECT_EQ(byte, 0xA5);
}

TEST_F(AspiCore, StatusesOtherThanCheckConditionAndNoAnswerAtAll) {
    vdrive::DriveConfig config;
    config.faults.push_back({vdrive::CommandKind::Inquiry, 1, 1, vdrive::FaultEffect::ConditionMet});
    config.faults.push_back({vdrive::CommandKind::Inquiry, 2, 1, vdrive::FaultEffect::Busy});
    config.faults.push_back({vdrive::CommandKind::Inquiry, 3, 1, vdrive::FaultEffect::NotDelivered});
    drive = std::make_shared<vdrive::Drive>(config);
    aspisim::Manager manager(OneAdapter(drive));
    SRB_ExecSCSICmd met = Exec(kInquiry);
    EXPECT_EQ(RunToTheEnd(manager, met), SS_COMP) << "CONDITION MET is a success status";
    EXPECT_EQ(met.SRB_TargStat, vdrive::kStatusConditionMet);
    SRB_ExecSCSICmd busy = Exec(kInquiry);
    EXPECT_EQ(RunToTheEnd(manager, busy), SS_ERR);
    SRB_ExecSCSICmd lost = Exec(kInquiry);
    EXPECT_EQ(RunToTheEnd(manager, lost), SS_ERR);
    EXPECT_EQ(lost.SRB_HaStat, 0x11) << "selection time-out";
    EXPECT_EQ(lost.SRB_TargStat, 0);

    SRB_ExecSCSICmd toTheDisk = Exec(kInquiry);
    toTheDisk.SRB_Target = 0;
    EXPECT_EQ(RunToTheEnd(manager, toTheDisk), SS_ERR) << "a slot without a drive gives no answer";
    EXPECT_EQ(toTheDisk.SRB_HaStat, 0x11);
}

TEST_F(AspiCore, MalformedCommandsAreRefusedOnlyWhereTheManagerChecksThem) {
    aspisim::ManagerConfig config = OneAdapter(drive);
    aspisim::Manager lenient(config);
    config.refusesMalformedCommands = true;
    aspisim::Manager strict(config);
    SRB_ExecSCSICmd both = Exec(kInquiry, SRB_DIR_IN | SRB_DIR_OUT);
    EXPECT_EQ(strict.Send(&both).code, aspisim::kSsInvalidSrb);
    EXPECT_EQ(both.SRB_Status, aspisim::kSsInvalidSrb);
    for (BYTE length : {BYTE{0}, BYTE{17}}) {
        SRB_ExecSCSICmd srb = Exec(kInquiry);
        srb.SRB_CDBLen = length;
        EXPECT_EQ(strict.Send(&srb).code, aspisim::kSsInvalidSrb) << int{length};
    }
    EXPECT_TRUE(drive->Commands().empty());

    const aspisim::Reply taken = lenient.Send(&both);
    ASSERT_TRUE(taken.request);
    EXPECT_EQ(taken.request->direction, vdrive::Direction::None) << "no data phase for both bits";
}
