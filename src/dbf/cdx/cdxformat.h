#pragma once
// Binary layout of a compact compound index file, shared by reader and writer.
//
// The file is made of 512-byte pages; every pointer is the absolute byte
// offset of a page.
//
// Tag header (1024 bytes; the tag directory's header sits at offset 0):
//   0x000 u32 LE  root node offset
//   0x004 u32 LE  head of the free-page list (0 or 0xFFFFFFFF when empty);
//                 kept in the directory header only
//   0x008 u32     change counter, written 0
//   0x00C u16 LE  key length (directory: 10)
//   0x00E u8      options (0x20 compact, 0x40 compound, 0x80 directory,
//                 0x01 unique, 0x08 filter condition)
//   0x00F u8      signature, 1
//   0x1EE 8 bytes collation name, zero for byte order
//   0x1F6 u16 LE  0 ascending, 1 descending
//   0x1F8 u16 LE  key expression length incl. its NUL (no filter condition)
//   0x1FA u16 LE  filter expression length incl. its NUL (1 = none)
//   0x1FC u16 LE  start of the key expression in the pool (0)
//   0x1FE u16 LE  key expression length incl. its NUL
//   0x200 512     expression pool: key expression, NUL, filter expression, NUL
//
// Node (512 bytes), common part:
//   0 u16 LE attributes (0x01 root, 0x02 leaf)   2 u16 LE key count
//   4 u32 LE left sibling, 8 u32 LE right sibling (0xFFFFFFFF = none)
// Interior node: from 12, entries of key (full length) + record number u32 BE
//   + child offset u32 BE; each entry holds the last key of its child.
// Leaf node: 12 u16 free bytes, 14 u32 record-number mask, 18 u8 duplicate
//   mask, 19 u8 trailing mask, 20..23 bit counts R, Dc, Tc and bytes per entry
//   B. From 24, B-byte little-endian entries (record number in the low R bits,
//   then the count of bytes shared with the previous key, then the count of
//   trailing filler bytes); the remaining key bytes are packed downward from
//   the end of the page, first key last.
#include <QByteArray>
#include <QString>
#include <QtEndian>

#include <string>
#include <vector>

namespace cdxfmt {

constexpr int PageSize = 512;
constexpr int TagHeaderSize = 1024;
constexpr int NodeHeaderSize = 12;
constexpr int LeafInfoStart = 24;
constexpr int LeafArea = PageSize - LeafInfoStart;         // 488
constexpr int InteriorArea = PageSize - NodeHeaderSize;    // 500
constexpr int MaxKeyLength = 240;
constexpr int DirectoryKeyLength = 10;
constexpr int ExpressionPool = 512;
constexpr quint32 NoPage = 0xFFFFFFFFu;

constexpr quint16 AttrRoot = 0x01;
constexpr quint16 AttrLeaf = 0x02;

constexpr quint8 OptUnique = 0x01;
constexpr quint8 OptFilter = 0x08;
constexpr quint8 OptTag = 0x60;        // compact + compound
constexpr quint8 OptDirectory = 0xE0;  // compact + compound + directory
constexpr quint8 Signature = 0x01;

inline quint16 getLE16(const char *p) { return qFromLittleEndian<quint16>(p); }
inline quint32 getLE32(const char *p) { return qFromLittleEndian<quint32>(p); }
inline quint32 getBE32(const char *p) { return qFromBigEndian<quint32>(p); }
inline void putLE16(char *p, quint16 v) { qToLittleEndian<quint16>(v, p); }
inline void putLE32(char *p, quint32 v) { qToLittleEndian<quint32>(v, p); }
inline void putBE32(char *p, quint32 v) { qToBigEndian<quint32>(v, p); }

struct TagHeader {
    quint32 root = 0;
    quint32 freeList = 0;
    int keyLength = 0;
    quint8 options = OptTag;
    bool descending = false;
    QByteArray keyExpression;     // code-page bytes, without NUL
    QByteArray filterExpression;  // empty when none
};

// Writes the 1024 bytes of a header (the expressions must fit the pool).
void encodeTagHeader(const TagHeader &h, char *out);
// Reads a header; returns a description of what is wrong, empty when sound.
QString decodeTagHeader(const char *in, TagHeader &h);

// Bit widths of a leaf's entries.
struct LeafLayout {
    int recBits = 0, dupBits = 0, trailBits = 0, bytes = 0;
};
// Widths able to hold counts up to keyLength and record numbers up to maxRecno.
LeafLayout leafLayout(int keyLength, quint32 maxRecno);

// A decoded node: keys stored full length, one after another.
struct Node {
    int keyLength = 0;
    quint16 attr = 0;
    quint32 left = NoPage, right = NoPage;
    std::string keys;
    std::vector<quint32> recnos;
    std::vector<quint32> children;  // interior nodes only

    int count() const { return int(recnos.size()); }
    bool isLeaf() const { return (attr & AttrLeaf) != 0; }
    bool isRoot() const { return (attr & AttrRoot) != 0; }
    const char *key(int i) const { return keys.data() + size_t(i) * size_t(keyLength); }
    void clearEntries() { keys.clear(); recnos.clear(); children.clear(); }
};

// Decodes a 512-byte page. Returns a description of what is wrong (counts
// beyond the page, overlapping key bytes, impossible bit widths), empty when
// the node is sound. Child offsets are checked by the caller.
QString decodeNode(const char *page, int keyLength, char fill, Node &out);

// Compression of each entry of a leaf: dup[i] leading bytes shared with
// entry i-1 (0 for the first), trail[i] trailing filler bytes. Entry i keeps
// keyLength - dup[i] - trail[i] bytes; as the first entry of a node it keeps
// keyLength - trail[i].
struct LeafSizes {
    std::vector<int> dup, trail;
};
LeafSizes leafSizes(const Node &node, char fill);

// Encodes a leaf with the given layout; false when the entries do not fit.
bool encodeLeaf(const Node &node, const LeafLayout &layout, char fill, char *page);
// Encodes a leaf with the narrowest layout for its record numbers.
bool encodeLeaf(const Node &node, char fill, char *page);
// Encodes an interior node (the caller keeps count within interiorCapacity).
void encodeInterior(const Node &node, char *page);
inline int interiorCapacity(int keyLength) { return InteriorArea / (keyLength + 8); }

} // namespace cdxfmt
