#pragma once
// Small helpers shared by the transfers: the message that stays silent in
// unattended runs, the split of a path, and the result-file folder.
#include <QString>

struct TRunState;
class TInteraction;

// Shows niz in a message box unless the run is unattended (pAutomatika).
void infoMessage(const TRunState &rs, TInteraction *ui, const QString &niz);

// Splits a path at its last separator ("\" or "/"): FileDir takes the text up
// to and including it, fileName at most 100 characters after it. Without a
// separator fileName is the whole text and FileDir is empty.
void FileDirName(const QString &niz, QString &fileName, QString &FileDir);

// The folder of result files: "rezultati" under the directory, with a
// trailing separator.
QString rezultatiDir(const QString &saveDir);
// The same, created when it is missing (throws EMoxError when it cannot be).
QString pripraviRezultatiDir(const QString &saveDir);
// A result file: rezultati/<ime>.rez under the directory.
QString rezultatnaDatoteka(const QString &saveDir, const QString &ime);
