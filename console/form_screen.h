// The form: labelled fields, one per row from the row where it was made,
// each edited in place with the line editor. The label is spoken, then the
// value; Tab, Enter and the arrows go from field to field, F9 offers a
// field's options in a pop-up list, and Escape or the page keys end the
// form. FORM builds one from script variables and stores the values back.
#pragma once

#include "console/screen_parts.h"

#include <string>
#include <vector>

namespace palavrino::console {

struct FormField {
    std::string label;
    std::string value;
    int max_length { 256 };
    std::vector<std::string> options; // offered by F9; may be empty
};

class FormScreen {
public:
    // A form holds at most this many fields.
    static constexpr int MAX_FIELDS = 32;
    static constexpr int MAX_LENGTH = 256;
    // Labels are right-aligned in this many columns; the value follows.
    static constexpr int LABEL_WIDTH = 28;

    explicit FormScreen(ScreenParts parts);

    // Runs the form from its first field; the values are edited in place
    // (or only shown, with editable false). start_row is 1-based.
    void Run(std::vector<FormField>& fields, int start_row, bool editable);

private:
    struct Session;
    ScreenParts m_parts;
};

} // namespace palavrino::console
