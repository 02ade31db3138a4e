#pragma once
// Paths as the system handles them: written with "\" in stored settings and
// scripts, used with the platform's separator. Both separators are accepted on
// input.
#include <QString>

namespace moxpath {

// The platform's directory separator as a character ('/' on Linux, '\' on Windows).
QChar separator();

// Turns every "\" and "/" into the platform's separator.
QString native(const QString &path);

// Directory name held with exactly one trailing separator (empty stays empty).
QString withTrailingSeparator(const QString &dir);

// Joins a directory and a name with one separator between them.
QString join(const QString &dir, const QString &name);

// True for "\" and "/".
bool isSeparator(QChar c);

// Position of the last separator ("\" or "/") in path, or -1.
qsizetype lastSeparator(const QString &path);

// The folder of a file's path, with its trailing separator (empty for a bare
// file name): what a chosen file makes the save directory.
QString folderOf(const QString &path);

} // namespace moxpath
