#pragma once
// One tag of a compact compound index file (<table>.CDX).
//
// The file is a chain of 512-byte pages: a tag directory at offset 0 (itself a
// small index whose keys are the tag names) and, per tag, a 1024-byte header
// with the key expression and a B-tree of interior and leaf nodes. Leaf nodes
// keep their keys compressed (shared leading bytes and trailing filler are not
// stored) with bit-packed record numbers. See cdxformat.h for the layout.
//
// A CdxIndex is a move-only handle: it keeps the file open and an image of it
// in memory while the index is active. Every change (insert, clear) is written
// through to the file before the call returns; flush() only asks the operating
// system to put the written pages on disk. Only one handle should work on a
// given file at a time: close (or destroy) the old handle before building or
// opening another tag of the same file.
//
// Every failure raises EMoxError naming the file and what is wrong with it
// (for a damaged file: the offset of the node at fault).
#include "base/moxerror.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <utility>
#include <vector>

// What fills the unused tail of a key: blanks for character keys (C fields
// and texts joined from them), zero bytes for binary keys (dates and numbers
// in their sortable binary form). Readers need it to rebuild the keys.
enum class CdxKeyKind { Character, Binary };

class CdxIndex {
public:
    CdxIndex();   // an inactive handle
    ~CdxIndex();
    CdxIndex(CdxIndex &&other) noexcept;
    CdxIndex &operator=(CdxIndex &&other) noexcept;
    CdxIndex(const CdxIndex &) = delete;
    CdxIndex &operator=(const CdxIndex &) = delete;

    // Builds (or replaces) tag `tagName` in the compound index file `path`,
    // creating the file with its tag directory when it is missing. keys are
    // byte strings of keyLength bytes (a shorter one is padded with the
    // filler, a longer one is an error) with their 1-based record numbers;
    // they are sorted here, equal keys by record number. The tag name is at
    // most 10 letters, digits or underscores and is stored upper case.
    static CdxIndex build(const QString &path, const QString &tagName, const QString &expression,
                          int keyLength, std::vector<std::pair<QByteArray, quint32>> keys,
                          CdxKeyKind kind = CdxKeyKind::Character);
    // Opens an existing tag (the name is compared upper case).
    static CdxIndex open(const QString &path, const QString &tagName,
                         CdxKeyKind kind = CdxKeyKind::Character);
    // The tag names of a compound index file, in directory (name) order.
    static QStringList tagNames(const QString &path);

    bool isOpen() const;
    void close();

    // Adds one key; the changed pages are written to the file at once.
    void insert(const QByteArray &key, quint32 recno);
    // Puts everything written so far on disk (the operating system's sync).
    void flush();

    // Positions on the first entry (in key order) whose key begins with
    // prefix and returns its record number; 0 when there is none (then the
    // position is past the end). An empty prefix finds the first entry.
    // next() continues from the found entry.
    quint32 seekPrefix(const QByteArray &prefix);
    // Positions on the entry of exactly this key (padded with the filler when
    // shorter) and record number; false when the tag holds no such entry
    // (the position is then on the entry that would follow it).
    bool seekEntry(const QByteArray &key, quint32 recno);

    // Iteration in key order; 0 at the end. current() is the record number
    // at the position (0 past the end). Inserts made meanwhile keep the
    // position on its entry.
    quint32 first();
    quint32 next();
    quint32 current() const;
    QByteArray currentKey() const;   // key bytes at the position (empty past the end)

    // Removes every key (after Zap of the table).
    void clear();

    int keyLength() const;
    QString expression() const;
    QString tagName() const;
    QString path() const;
    CdxKeyKind keyKind() const;

private:
    struct Impl;
    explicit CdxIndex(std::unique_ptr<Impl> impl);
    Impl &impl() const;   // the open index, or an error when none is open
    std::unique_ptr<Impl> d;
};
