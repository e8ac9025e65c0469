#ifndef PRINTABLETEXT_H
#define PRINTABLETEXT_H

#include <QString>

#include <string_view>

// Text from a file or the command line as it may be shown on a terminal: every control
// character (C0, DEL and C1, NUL included) written as "\x1b", so that a file cannot move
// the cursor, change colours or cut a message short. A backslash stays as it is.
QString printableText(const QString &text);

// Bytes of a file, decoded as UTF-8, cut to at most `maxCharacters` characters and made
// printable, between single quotes: the way messages quote what they found.
QString quotedField(std::string_view bytes, int maxCharacters = 40);

#endif // PRINTABLETEXT_H
