#pragma once
// Text helpers shared by every subsystem: upper-casing of a-z only, the
// Windows-1250 code page, and text files of CR LF lines in that code page.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace moxtext {

// Upper-cases the letters a-z only; every other character stays as it is.
QString upperAZ(const QString &s);

// Windows-1250 both ways. Every byte decodes to one character (the five bytes
// the code page leaves unassigned decode to the C1 controls of the same value,
// so any byte string survives a round trip). A character outside the code page
// encodes as '?'.
QByteArray toCp1250(const QString &s);
QString fromCp1250(const QByteArray &bytes);
QString fromCp1250(const char *data, qsizetype size);
// True when every character of s has a Windows-1250 byte.
bool isCp1250(const QString &s);

// Trimming as scripts and settings texts have always been trimmed: every
// character with a code of 32 or below counts as blank.
bool isBlank(QChar c);
QString trimBlanks(const QString &s);
QString trimBlanksLeft(const QString &s);

// The text of a file's bytes: Windows-1250, except that a file beginning
// with the UTF-8 byte-order mark is UTF-8 without the mark (when the rest is
// not valid UTF-8, the rest is read as Windows-1250).
QString decodeTextFile(const QByteArray &bytes);

// Reads a text file whole into lines (CR LF, LF or CR ends a line; a final
// line end does not add an empty line), decoded by decodeTextFile. Throws
// EMoxError naming the file when it cannot be read.
QStringList readTextLines(const QString &path);
// Writes (replacing) or appends lines, each followed by CR LF, in
// Windows-1250. Throws EMoxError naming the file on failure.
void writeTextLines(const QString &path, const QStringList &lines);
void appendTextLines(const QString &path, const QStringList &lines);

// CR LF as a text, for messages built of several lines.
inline const QString crlf = QStringLiteral("\r\n");

} // namespace moxtext
