#pragma once
// The settings file MONITOR.INI: sections in brackets and key=value lines,
// read and written one key at a time.
//
// Section and key names are matched without regard to the case of a-z. A
// missing file, section or key reads as the caller's default. Values read back
// at most kProfileValueMax characters. Writing a key rewrites only that key's
// line (or adds the section and key) and keeps every other line of the file.
// The file is Windows-1250 text with CR LF line ends.
//
// Values are arbitrary 16-bit character codes. A value that would not read
// back exactly as plain text (control characters, characters outside the code
// page, blanks at either end, surrounding quotes, or a value that begins with
// the marker itself) is written as the marker "%MOX%" followed by the text in
// which every such character, and every "%", stands as "%" and four hex
// digits. Only values beginning with the marker and well formed after it are
// decoded, so values written by other tools read unchanged.
#include <QString>

// Longest value text handed back by a read; longer values are cut.
inline constexpr qsizetype kProfileValueMax = 2047;

// Full path of the settings file: the environment variable MOX_INI when set,
// else MONITOR.INI in the platform's generic settings folder.
QString settingsFilePath();

// Reads a key of the settings file; def when the file, the section or the key
// is missing. The file is read once and its keys kept for the reads that
// follow, for as long as its size and time stamp stay the same (a file
// changed in the last two seconds before it was read is read again each
// time); writing a key lets them go.
QString profileString(const QString &section, const QString &key, const QString &def);

// Writes a key of the settings file. Throws EMoxError naming the file when the
// file cannot be written.
void writeProfileString(const QString &section, const QString &key, const QString &value);

// The same on a named file.
QString profileStringFrom(const QString &file, const QString &section, const QString &key, const QString &def);
void writeProfileStringTo(const QString &file, const QString &section, const QString &key, const QString &value);

// The value text as it is held in the file, and back. decodeProfileValue
// leaves a text that is not in the escaped form unchanged.
QString encodeProfileValue(const QString &value);
QString decodeProfileValue(const QString &stored);

// How many times a settings file has been read whole since the program
// started (for tests and benchmarks).
qint64 profileFileReads();
