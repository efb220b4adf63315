#include "command_logging.h"

#include "run_log_text.h"

namespace nflash {

CommandObserver LoggingObserver(ProgramContext& context, const OpticalDrive& drive, SgIoTransport& transport) {
    return [&context, label = LogLabel(drive), &transport](const CommandRequest& request, const CommandResult& result,
                                                            Delivery d) {
        if (context.log == nullptr) return;
        const SgIoAnswer* answer = d == Delivery::Sent ? &transport.LastAnswer() : nullptr;
        context.log->Line(CommandLogLine(label, request, result, d, answer));
    };
}

ObservedTransport LoggedTransport(ProgramContext& context, const OpticalDrive& drive, SgIoTransport& transport) {
    return ObservedTransport(transport, LoggingObserver(context, drive, transport));
}

}  // namespace nflash
