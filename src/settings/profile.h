// Private-profile (INI) text with the Windows rules: "[section]" headers,
// "key=value" lines, section and key names matched without regard to ASCII
// letter case, everything else in the file kept byte for byte on write.
//
// Reading: whitespace around section names, keys and values is ignored; a
// value enclosed in a matching pair of double or single quotes comes back
// without them; values are cut to 2047 characters; lines starting with ';'
// or '#' are comments; if a section or a key appears twice, the first one
// counts.
//
// Writing: an existing key has its line replaced in place (the key keeps the
// spelling it has in the file); a new key goes after the last key line of
// its section, a new section is appended at the end of the file. The file's
// line-ending style (CRLF or LF) is kept; new files use LF. Values that would
// not read back as written (surrounding blanks, surrounding quotes) are
// written inside double quotes. Names or values that cannot be stored in a
// single line (empty names, line breaks, '=' in a key, ']' in a section, a
// key that would read as a comment or a header) are refused.
#pragma once

#include <QByteArray>
#include <QString>

namespace ostra::profile {

// Pure text functions (no I/O).
// The value of key in section, or an empty string with *found = false.
QString getValue(const QByteArray& content, const QString& section, const QString& key, bool* found = nullptr);
// content with key in section set to value; content unchanged when the
// section, key or value cannot be stored.
QByteArray setValue(const QByteArray& content, const QString& section, const QString& key, const QString& value);
// The same on the content in place (only the bytes after the changed line
// move); false, with the content unchanged, when the section, key or value
// cannot be stored.
bool setValueIn(QByteArray& content, const QString& section, const QString& key, const QString& value);

// Text longer than two characters starting with "0x"/"0X" is hexadecimal,
// anything else decimal with an optional sign; surrounding blanks are
// ignored. Empty text, text that does not parse fully, and numbers outside
// the range of int give def.
int parseInt(const QString& text, int def);

}  // namespace ostra::profile
