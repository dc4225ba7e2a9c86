#pragma once

// How the host reads a console variable's text. The console and the SDK share these so that a
// plugin and the user see the same value.

#include <optional>
#include <string>

#include "hostsdk/export.h"

namespace hostsdk {

// The number in the text: the whole text, blanks around it allowed, as a finite decimal number
// ("1", "-0.8", "+2", "1e3"), or "true" / "false" in any letter case as 1 / 0. Anything else
// ("abc", "1x", "", "nan", "inf") has no number.
HOSTSDK_API std::optional<float> readNumber(const std::string& text);

// True when the text holds a number other than 0: "1", "0.8" and "true" are true; "0",
// "false" and "abc" are false.
HOSTSDK_API bool readBool(const std::string& text);

// The text's number, or 0 when it holds none.
HOSTSDK_API float readFloat(const std::string& text);

// The text's number truncated toward zero and kept within int's range.
HOSTSDK_API int readInt(const std::string& text);

}  // namespace hostsdk
