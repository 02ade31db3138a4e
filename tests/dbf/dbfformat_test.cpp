// The format headers' encode/decode pairs and the memo pointer forms.
#include "dbf/binio.h"
#include "dbf/dbfformat.h"

#include <gtest/gtest.h>

using namespace dbfformat;

TEST(DbfFormat, TableHeaderRoundTripAndYears)
{
    TableHeader h;
    h.version = kVersionFoxProMemo;
    h.year = 2024;
    h.month = 11;
    h.day = 5;
    h.recordCount = 0x01020304;
    h.headerLength = 0x0181;
    h.recordLength = 0x0027;
    h.codePage = kCodePage1250;
    const QByteArray b = encodeTableHeader(h);
    ASSERT_EQ(b.size(), 32);
    EXPECT_EQ(b.left(12), QByteArray::fromHex("f5180b05040302018101" "2700"));
    EXPECT_EQ(quint8(b[29]), 0xC8);
    const TableHeader d = decodeTableHeader(b.constData());
    EXPECT_EQ(d.lastUpdate(), QDate(2024, 11, 5));
    EXPECT_EQ(d.recordCount, h.recordCount);
    EXPECT_EQ(d.headerLength, h.headerLength);
    EXPECT_EQ(d.recordLength, h.recordLength);

    struct Year {
        int stored, year;
    } years[] = {{24, 2024}, {124, 2024}, {95, 1995}, {79, 2079}, {80, 1980}, {0, 2000}};
    for (const Year &y : years) {
        QByteArray raw = b;
        raw[1] = char(y.stored);
        EXPECT_EQ(decodeTableHeader(raw.constData()).year, y.year) << y.stored;
    }
}

TEST(DbfFormat, FieldDescriptorRoundTrip)
{
    FieldDescriptor f;
    f.name = "NOTE";
    f.type = 'M';
    f.displacement = 21;
    f.width = 10;
    const QByteArray b = encodeFieldDescriptor(f);
    ASSERT_EQ(b.size(), 32);
    EXPECT_EQ(b.left(17), QByteArray("NOTE\0\0\0\0\0\0\0M\x15\0\0\0\x0A", 17));
    const FieldDescriptor d = decodeFieldDescriptor(b.constData());
    EXPECT_EQ(d.name, QByteArray("NOTE"));
    EXPECT_EQ(d.type, 'M');
    EXPECT_EQ(d.displacement, 21u);
    EXPECT_EQ(d.width, 10);
}

TEST(DbfFormat, MemoHeaderAndBlockAreBigEndian)
{
    const QByteArray h = encodeMemoHeader(MemoHeader{11, 64});
    ASSERT_EQ(h.size(), 512);
    EXPECT_EQ(h.left(8), QByteArray::fromHex("0000000b00000040"));
    const MemoHeader d = decodeMemoHeader(h.constData());
    EXPECT_EQ(d.nextFree, 11u);
    EXPECT_EQ(d.blockSize, 64);
    char blk[8];
    encodeMemoBlockHeader(MemoBlockHeader{kMemoTypeText, 20}, blk);
    EXPECT_EQ(QByteArray(blk, 8), QByteArray::fromHex("0000000100000014"));
    EXPECT_EQ(decodeMemoBlockHeader(blk).length, 20u);
    EXPECT_EQ(firstMemoBlock(64), 8u);
    EXPECT_EQ(firstMemoBlock(100), 6u);
    EXPECT_EQ(firstMemoBlock(512), 1u);
}

TEST(DbfFormat, MemoPointers)
{
    struct Case {
        QByteArray bytes;
        bool ok;
        uint32_t block;
    } cases[] = {
        {"         8", true, 8},
        {"          ", true, 0},
        {QByteArray(10, '\0'), true, 0},
        {"0000000012", true, 12},
        {"4294967295", true, 4294967295u},
        {"4294967296", false, 0},
        {"    12 3  ", false, 0},
        {"    1x    ", false, 0},
        {QByteArray::fromHex("08000000"), true, 8},
        {"12345", false, 0},
    };
    for (const Case &c : cases) {
        uint32_t block = 99;
        EXPECT_EQ(decodeMemoPointer(c.bytes.constData(), int(c.bytes.size()), block), c.ok) << c.bytes.toStdString();
        if (c.ok) {
            EXPECT_EQ(block, c.block) << c.bytes.toStdString();
        }
    }
    char ten[10];
    encodeMemoPointer(123, ten, 10);
    EXPECT_EQ(QByteArray(ten, 10), QByteArray("       123"));
    encodeMemoPointer(0, ten, 10);
    EXPECT_EQ(QByteArray(ten, 10), QByteArray("          "));
    encodeMemoPointer(0x01020304, ten, 4);
    EXPECT_EQ(QByteArray(ten, 4), QByteArray::fromHex("04030201"));
}

TEST(DbfFormat, NewTableHeaderLayout)
{
    QVector<Field> fields = {{"NAME", 'C', 20, 0, 1}, {"NOTE", 'M', 10, 0, 21}, {"BORN", 'D', 8, 0, 31}};
    const QByteArray b = encodeNewTable(fields, QDate(2017, 5, 17));
    ASSERT_EQ(b.size(), 32 + 3 * 32 + 1);
    EXPECT_EQ(b.left(12), QByteArray::fromHex("f5110511000000008100" "2700"));
    EXPECT_EQ(quint8(b[29]), 0xC8);
    EXPECT_EQ(b.at(b.size() - 1), '\x0D');
    const TableLayout t = decodeTable(b + '\x1A', b.size() + 1, "x");
    ASSERT_EQ(t.fields.size(), 3);
    EXPECT_EQ(t.fields[2].offset, 31);
    EXPECT_TRUE(t.hasMemo);
    fields.remove(1);
    EXPECT_EQ(quint8(encodeNewTable(fields, QDate(2017, 5, 17))[0]), 0x03);
}
