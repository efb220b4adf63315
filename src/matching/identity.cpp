#include "identity.h"

#include <algorithm>

namespace matching {
namespace {

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::string Clipped(const std::string& text, std::size_t width) {
    return text.substr(0, std::min(text.find('\0'), width));
}

std::string Identity::Text() const {
    std::string text = Trimmed(vendor);
    for (const std::string& part : {Trimmed(product), Trimmed(revision)}) {
        if (part.empty()) continue;
        text += (text.empty() ? "" : " ") + part;
    }
    return text.empty() ? "(no identity)" : text;
}

}  // namespace matching
