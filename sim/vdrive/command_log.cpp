#include "command_log.h"

#include "command_set.h"

namespace vdrive::detail {

void RecordCommand(DriveState& state, const Request& request) {
    CommandRecord record;
    record.cdb = request.cdb;
    record.direction = request.direction;
    record.length = request.length;
    const bool dataSent = request.cdb[0] == kOpWriteBuffer && request.direction == Direction::Out &&
                          request.data != nullptr;
    if (dataSent) record.dataOut.assign(request.data, request.data + request.length);
    state.log.push_back(std::move(record));
}

}  // namespace vdrive::detail
