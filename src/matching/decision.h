// What a package's rules say about one drive.
#pragma once

#include <string>

namespace matching {

struct Decision {
    bool matched = false;
    int bank = 0;           // 0..3: the first bank that admits the drive; 0 when not matched
    bool upToDate = false;  // at or past the bank's new revision, and only with N2OMESSAGE on
    std::string from;       // the drive's revision ("%.4s"), matched or not
    std::string to;         // the bank's new revision, whole, as the window shows it; empty when not matched

    // "from 1.02 to 1.05", "up to date (1.02)", "not allowed".
    std::string Text() const;
};

}  // namespace matching
