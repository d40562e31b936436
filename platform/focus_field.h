// The text of the field that has the keyboard focus on the desktop, for
// CAPTURA CAMPO, read through the accessibility bus (AT-SPI2) when there is
// one. Text is UTF-8 here.
#pragma once

#include <string>

namespace palavrino::platform {

enum class FieldStatus {
    Ok,
    NoBus, // no session or accessibility bus: the text is empty
    NoFocus, // nothing on the desktop reports the focus
};

// The focused object's text (its name when it holds no text). Bounded in
// time and in the number of objects visited; a break request ends it.
[[nodiscard]] FieldStatus FocusedFieldText(std::string& utf8);

} // namespace palavrino::platform
