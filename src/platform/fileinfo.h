#pragma once
// Version texts of a program file, read from its version information block:
// the resource section of a Windows program, or a block embedded in any other
// file (the program built here carries one, see mox_embed_version).
#include <QDateTime>
#include <QString>

class TIFileInfo {
public:
    // Reads the version texts of the file. A file without version information
    // (or one that cannot be read) gives "No file info." in every text.
    explicit TIFileInfo(const QString &AFileName);

    // The file's last-modification time in local time; invalid when the file
    // does not exist.
    QDateTime GetaiFileDate() const;

    QString FsFileName;
    QString FsCompanyName;
    QString FsFileDescription;
    QString FsFileVersion;
    QString FsInternalName;
    QString FsLegalCopyright;
    QString FsLegalTrademarks;
    QString FsOriginalFilename;
    QString FsProductName;
    QString FsProductVersion;
    QString FsComments;
};
