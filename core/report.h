// The one way core code tells the user something went wrong. The runtime
// implements it: the message is written and spoken with the script's name and
// current line, and is silent while error reporting is switched off.
#pragma once

#include <string_view>

namespace palavrino::core {

class ErrorSink {
public:
    virtual ~ErrorSink() = default;
    // Reports at the current line of the running script.
    virtual void ReportHere(std::string_view message) = 0;
    // Reports the message alone, with no line header.
    virtual void ReportPlain(std::string_view message) = 0;
};

} // namespace palavrino::core
