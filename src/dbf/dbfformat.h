#pragma once
// On-disk layouts of the DBF table file and the FPT memo file: one header
// structure per file kind, each with a paired encode and decode, and the
// checks a header must pass before anything else in the file is trusted.
#include <QByteArray>
#include <QDate>
#include <QString>
#include <QVector>

#include <cstdint>

namespace dbfformat {

// --- DBF ------------------------------------------------------------------

constexpr int kTableHeaderSize = 32;
constexpr int kFieldDescriptorSize = 32;
constexpr int kBacklinkSize = 263;     // Visual FoxPro: path of the owning database
constexpr char kHeaderTerminator = 0x0D;
constexpr char kEofMarker = 0x1A;
constexpr char kActiveFlag = ' ';
constexpr char kDeletedFlag = '*';
constexpr uint8_t kVersionFoxBase = 0x03;     // FoxPro 2.x table without memo
constexpr uint8_t kVersionFoxProMemo = 0xF5;  // FoxPro 2.x table with an FPT memo
constexpr uint8_t kCodePage1250 = 0xC8;       // Windows-1250 (Central Europe)
constexpr int kMaxFields = 255;
constexpr int kMaxFieldNameLength = 10;
constexpr int kMemoPointerWidth = 10;         // ASCII block number
constexpr int kDateWidth = 8;

struct TableHeader {
    uint8_t version = kVersionFoxBase;
    int year = 0;          // full year, as the writer meant it
    int month = 1;
    int day = 1;
    uint32_t recordCount = 0;
    uint16_t headerLength = 0;
    uint16_t recordLength = 0;
    uint8_t flags = 0;
    uint8_t codePage = kCodePage1250;

    QDate lastUpdate() const { return QDate(year, month, day); }
};

// 32 bytes. The year is stored as year mod 100, as FoxPro does.
QByteArray encodeTableHeader(const TableHeader &h);
// Reads the 32 bytes at data (a dBASE-style year of 100 and more counts from 1900).
TableHeader decodeTableHeader(const char *data);

struct FieldDescriptor {
    QByteArray name;     // ASCII, upper case, at most 10 characters
    char type = 'C';
    uint32_t displacement = 0; // offset of the field in the record
    uint8_t width = 0;
    uint8_t decimals = 0;
    uint8_t flags = 0;
};

QByteArray encodeFieldDescriptor(const FieldDescriptor &f);
FieldDescriptor decodeFieldDescriptor(const char *data);

// A field as the engine uses it.
struct Field {
    QString name;   // as stored
    char type = 'C';
    int width = 0;
    int decimals = 0;
    int offset = 0; // in the record, after the deletion flag (first field: 1)
};

// The table layout after validation.
struct TableLayout {
    TableHeader header;
    QVector<Field> fields;
    bool hasMemo = false; // M, G or P field present
};

// Validates and decodes the header area of a table. head holds the first
// bytes of the file (at least the whole header when the file is long enough);
// fileSize is the file's real length. Raises EMoxError "<file>: <what is wrong>".
TableLayout decodeTable(const QByteArray &head, qint64 fileSize, const QString &fileName);

// Version bytes of tables that the engine knows how to read.
bool isKnownVersion(uint8_t v);
// Types the engine reads: C M D N F L I (and G, P as memo-like fields).
bool isKnownFieldType(char t);

// A whole header for a new table: header, descriptors and terminator.
QByteArray encodeNewTable(const QVector<Field> &fields, const QDate &today);

// --- FPT ------------------------------------------------------------------

constexpr int kMemoHeaderSize = 512;
constexpr int kDefaultBlockSize = 64;
constexpr int kMemoBlockHeaderSize = 8;
constexpr uint32_t kMemoTypePicture = 0;
constexpr uint32_t kMemoTypeText = 1;

struct MemoHeader {
    uint32_t nextFree = 0; // first block after the used ones
    uint16_t blockSize = kDefaultBlockSize;
};

QByteArray encodeMemoHeader(const MemoHeader &h); // 512 bytes
MemoHeader decodeMemoHeader(const char *data);    // reads 8 bytes
// Raises when the block size is unusable.
void validateMemoHeader(const MemoHeader &h, qint64 fileSize, const QString &fileName);
// First block that may hold data (the 512-byte header comes before it).
inline uint32_t firstMemoBlock(uint16_t blockSize) { return uint32_t((kMemoHeaderSize + blockSize - 1) / blockSize); }

struct MemoBlockHeader {
    uint32_t type = kMemoTypeText;
    uint32_t length = 0;
};
void encodeMemoBlockHeader(const MemoBlockHeader &h, char *out); // 8 bytes
MemoBlockHeader decodeMemoBlockHeader(const char *data);

// --- Memo pointer inside a record ---------------------------------------

// Block number of a memo field: 10 bytes of ASCII digits (blank = no memo) or
// 4 bytes little-endian (Visual FoxPro). Returns false when the bytes are not
// a block number.
bool decodeMemoPointer(const char *data, int width, uint32_t &block);
void encodeMemoPointer(uint32_t block, char *out, int width);

} // namespace dbfformat
