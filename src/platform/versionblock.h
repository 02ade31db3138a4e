#pragma once
// Version information blocks in the standard VS_VERSIONINFO layout: UTF-16LE
// keys, 32-bit aligned nodes, a fixed-file-info value at the root, then
// "StringFileInfo" (string tables keyed by language and code page in hex,
// e.g. "042404e2") and "VarFileInfo" with its "Translation" list.
//
// Builds such a block, reads one, and finds one in a file: in the resource
// section of a Windows program (PE) file, or embedded anywhere in another
// file (found by its "VS_VERSION_INFO" key).
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

namespace moxversion {

// What goes into a block built here: one string table.
struct VersionBlockContent {
    quint16 language = 0x0424; // Slovenian
    quint16 codePage = 1250;   // 0x04e2
    QList<std::pair<QString, QString>> strings; // name, value, in order
    // Numeric version of the fixed part, e.g. "1.2.3" or "1.2.3.4"; parts that
    // are missing or not numbers count as 0.
    QString numericVersion;
};

QByteArray buildVersionBlock(const VersionBlockContent &content);

// A block read back.
struct VersionBlock {
    // Translation entries: language in the high 16 bits, code page in the low.
    QList<quint32> translations;
    // String tables in file order: key (e.g. "042404e2") and its strings.
    QList<std::pair<QString, QList<std::pair<QString, QString>>>> tables;

    // Value at "\StringFileInfo\<table>\<name>"; names match without regard
    // to case. Null when missing.
    QString value(const QString &table, const QString &name) const;
};

// Reads a block that starts at the beginning of data; nothing when data does
// not hold a well-formed VS_VERSION_INFO root.
std::optional<VersionBlock> parseVersionBlock(QByteArrayView data);

// The bytes of the version resource of a PE file; empty when the data is no
// PE file or has no version resource.
QByteArrayView peVersionResource(QByteArrayView file);

// The bytes of the first well-formed block embedded in the data; empty when
// there is none.
QByteArrayView embeddedVersionBlock(QByteArrayView file);

// True when the data starts like a PE file ("MZ" and a "PE\0\0" header).
bool isPeFile(QByteArrayView file);

} // namespace moxversion
