#pragma once

// The program's texts as Qt shows them.

#include <QString>

namespace tavrin::qt {

// Catalog texts are UTF-8 and feed texts are UTF-8 or ISO-8859-1: valid UTF-8 is taken as such, anything
// else as ISO-8859-1. A text cut to its field's width inside its last UTF-8 character loses that character.
QString ProgramText(const char *text);

// A gadget label whose '_' marks the shortcut letter, as a Qt label with '&'.
QString MnemonicLabel(const char *label);

// A text shown as it stands where Qt would take '&' as a shortcut marker (menu items, menu titles).
QString LiteralLabel(const char *text);

} // namespace tavrin::qt
