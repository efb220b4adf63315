// The judgement of SG_IO answers: each layer the kernel reports in, in the
// order they are read, and what each error class comes to.
#include <gtest/gtest.h>

#include <cerrno>

#include "sim/vdrive/drive.h"
#include "src/drive/transport/sg_io/sg_answer.h"
#include "src/drive/transport/sg_io/sg_answer_text.h"

namespace {

constexpr std::uint32_t kLength = 16384;
constexpr std::uint32_t kTimeout = 60;

SgIoAnswer Good() { return SgIoAnswer{}; }

SgIoAnswer WithFixedSense(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
    SgIoAnswer a;
    a.scsiStatus = kScsiCheckCondition;
    a.driverStatus = kDriverSense;
    a.sense[0] = 0x70;
    a.sense[2] = key;
    a.sense[7] = 10;
    a.sense[12] = asc;
    a.sense[13] = ascq;
    a.senseLength = 18;
    return a;
}

CommandResult Judge(const SgIoAnswer& a, double elapsed = 0.001) { return JudgeSgIo(a, kLength, kTimeout, elapsed); }

TEST(SgJudgement, GoodMovesTheRequestedLengthLessTheResidual) {
    SgIoAnswer a = Good();
    EXPECT_EQ(Judge(a).outcome, CommandOutcome::Good);
    EXPECT_EQ(Judge(a).transferred, kLength);
    a.residual = 100;
    EXPECT_EQ(Judge(a).transferred, kLength - 100);
    a.scsiStatus = kScsiConditionMet;
    EXPECT_EQ(Judge(a).outcome, CommandOutcome::Good);
    EXPECT_DOUBLE_EQ(Judge(a, 0.25).elapsedSeconds, 0.25);
}

TEST(SgJudgement, AFailedIoctlIsAFailureWhateverTheFieldsSay) {
    SgIoAnswer a = WithFixedSense(0x05, 0x24, 0x00);
    a.error = EIO;
    EXPECT_EQ(Judge(a).outcome, CommandOutcome::Failed);
    EXPECT_EQ(Judge(a).sense, 0u);
    a.error = ENODEV;
    EXPECT_EQ(Judge(a).outcome, CommandOutcome::Failed);
    a.error = ETIMEDOUT;
    EXPECT_EQ(Judge(a).outcome, CommandOutcome::TimedOut);
}

TEST(SgJudgement, HostStatusComesBeforeDriverStatusAndSense) {
    SgIoAnswer a = WithFixedSense(0x02, 0x3A, 0x00);
    a.hostStatus = 0x01;  // DID_NO_CONNECT: the sense is stale, never read
    EXPECT_EQ(Judge(a).outcome, CommandOutcome::Failed);
    EXPECT_EQ(Judge(a).sense, 0u);
    a.hostStatus = kHostTimeOut;
    EXPECT_EQ(Judge(a).outcome, CommandOutcome::TimedOut);
    a.hostStatus = 0x07;  // DID_ERROR
    EXPECT_EQ(Judge(a).outcome, CommandOutcome::Failed);
}

TEST(SgJudgement, DriverStatusOtherThanSenseFails) {
    SgIoAnswer a = Good();
    a.driverStatus = kDriverTimeOut;
    EXPECT_EQ(Judge(a).outcome, CommandOutcome::TimedOut);
    a.driverStatus = 0x04;  // DRIVER_ERROR
    EXPECT_EQ(Judge(a).outcome, CommandOutcome::Failed);
    a.driverStatus = 0x01;  // DRIVER_BUSY
    EXPECT_EQ(Judge(a).outcome, CommandOutcome::Failed);
    // Suggestion bits in the high nibble say nothing about the outcome.
    a = WithFixedSense(0x04, 0x44, 0x00);
    a.driverStatus = 0x28;  // SUGGEST_RETRY | DRIVER_SENSE
    EXPECT_EQ(Judge(a).outcome, CommandOutcome::CheckCondition);
}

TEST(SgJudgement, SenseMakesACheckConditionInEitherFormat) {
    const CommandResult fixed = Judge(WithFixedSense(0x04, 0x44, 0x00));
    EXPECT_EQ(fixed.outcome, CommandOutcome::CheckCondition);
    EXPECT_EQ(fixed.sense, 0x044400u);
    EXPECT_EQ(fixed.transferred, 0u);

    SgIoAnswer descriptor;
    descriptor.scsiStatus = kScsiCheckCondition;
    descriptor.driverStatus = kDriverSense;
    descriptor.sense = {0x72, 0x02, 0x04, 0x01};
    descriptor.senseLength = 8;
    EXPECT_EQ(Judge(descriptor).outcome, CommandOutcome::CheckCondition);
    EXPECT_EQ(Judge(descriptor).sense, 0x020401u);
}

TEST(SgJudgement, SenseDecidesEvenWhenTheStatusSaysGood) {
    SgIoAnswer a = WithFixedSense(0x06, 0x29, 0x00);
    a.scsiStatus = kScsiGood;
    EXPECT_EQ(Judge(a).outcome, CommandOutcome::CheckCondition);
    EXPECT_EQ(Judge(a).sense, 0x062900u);
}

TEST(SgJudgement, AStatusWithoutSenseThatIsNotGoodFails) {
    SgIoAnswer a = Good();
    // BUSY, RESERVATION CONFLICT, TASK SET FULL, ACA ACTIVE, TASK ABORTED:
    // the drive did not do the command, and a refused commit is no update.
    for (const std::uint8_t status : vdrive::kRefusalStatuses) {
        a.scsiStatus = status;
        EXPECT_EQ(Judge(a).outcome, CommandOutcome::Failed) << "status " << std::hex << int{status};
        EXPECT_EQ(Judge(a).transferred, 0u);
    }
    a.scsiStatus = kScsiCheckCondition;  // and the sense never came
    EXPECT_EQ(Judge(a).outcome, CommandOutcome::Failed);
    // Sense key 0 (NO SENSE) is no sense, whatever its ASC.
    a = WithFixedSense(0x00, 0x11, 0x00);
    EXPECT_EQ(Judge(a).outcome, CommandOutcome::Failed);
    EXPECT_EQ(Judge(a).sense, 0u);
}

TEST(SgJudgement, SenseTooShortOrOfUnknownFormatCountsAsNone) {
    SgIoAnswer a = WithFixedSense(0x05, 0x20, 0x00);
    a.senseLength = 13;  // ASCQ missing
    EXPECT_EQ(Judge(a).sense, 0u);
    a = WithFixedSense(0x05, 0x20, 0x00);
    a.sense[0] = 0x7F;
    EXPECT_EQ(Judge(a).outcome, CommandOutcome::Failed);
}

TEST(SgJudgement, AResidualOutsideTheTransferIsAGarbledAnswer) {
    SgIoAnswer a = Good();
    a.residual = -1;
    EXPECT_EQ(Judge(a).outcome, CommandOutcome::Failed);
    a.residual = kLength + 1;
    EXPECT_EQ(Judge(a).outcome, CommandOutcome::Failed);
    a.residual = kLength;  // nothing came: good, zero bytes
    EXPECT_EQ(Judge(a).outcome, CommandOutcome::Good);
    EXPECT_EQ(Judge(a).transferred, 0u);
}

TEST(SgJudgement, AnAttemptThatTookTheWholeTimeOutTimedOut) {
    EXPECT_EQ(Judge(Good(), kTimeout).outcome, CommandOutcome::TimedOut);
    EXPECT_EQ(Judge(WithFixedSense(0x02, 0x04, 0x01), kTimeout + 1.0).outcome, CommandOutcome::TimedOut);
    EXPECT_EQ(Judge(Good(), kTimeout - 0.01).outcome, CommandOutcome::Good);
}

TEST(SgAnswerText, NamesTheLayerThatFailedAndDecodesSense) {
    SgIoAnswer a;
    a.error = ENODEV;
    EXPECT_EQ(DescribeAnswer(a), "system call: No such device");
    a = Good();
    a.hostStatus = kHostTimeOut;
    EXPECT_EQ(DescribeAnswer(a), "host DID_TIME_OUT");
    a.hostStatus = 0x42;
    EXPECT_EQ(DescribeAnswer(a), "host DID 0x42");
    a = Good();
    a.driverStatus = 0x04;
    EXPECT_EQ(DescribeAnswer(a), "driver DRIVER_ERROR");
    const std::string sense = DescribeAnswer(WithFixedSense(0x02, 0x3A, 0x00));
    EXPECT_NE(sense.find("Not Ready"), std::string::npos) << sense;
    EXPECT_NE(sense.find("Medium not present"), std::string::npos) << sense;
    EXPECT_EQ(DescribeSense(0), "no sense");
}

}  // namespace
