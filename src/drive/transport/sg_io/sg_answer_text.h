// SG_IO answers in words, for the run log a user sends to the vendor.
// Sense keys, ASC/ASCQ and SCSI status come from sg3_utils' tables
// (libsgutils2), which know every code the standards define.
#pragma once

#include <cstdint>
#include <string>

#include "sg_answer.h"

// "Not Ready: Medium not present"; "no sense" for 0.
std::string DescribeSense(std::uint32_t packedSense);

// The outermost layer that failed, or the status and sense of the drive:
// "system call: No such device" (the write, poll, read or ioctl that carried
// the command failed), "host DID_TIME_OUT", "driver DRIVER_ERROR",
// "Check Condition: Hardware Error: Internal target failure", "Good".
std::string DescribeAnswer(const SgIoAnswer& answer);
