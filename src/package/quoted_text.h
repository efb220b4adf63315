// A package text (title, drive name, revision, identity field) as a quoted
// string that is both a TOML basic string and a JSON string: '"' and '\'
// escaped, and every byte outside printable ASCII written as the code point
// of its value ("\u00FF"), since the bytes carry no known code page and odd
// ones must stay visible.
#pragma once

#include <string>

std::string QuotedText(const std::string& text);
