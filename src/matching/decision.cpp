#include "decision.h"

namespace matching {

std::string Decision::Text() const {
    if (!matched) return "not allowed";
    if (upToDate) return "up to date (" + from + ")";
    return "from " + from + " to " + to;
}

}  // namespace matching
