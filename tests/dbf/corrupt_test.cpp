// Damaged and unusual files, held in memory: every damage gives an error that
// names the file and what is wrong; the liberties other writers take are read.
#include "dbf/apollo.h"
#include "dbf/binio.h"
#include "dbf/dbfio.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

const QString kDbf = QStringLiteral("/mem/T.DBF");
const QString kFpt = QStringLiteral("/mem/T.FPT");

// A sound table in memory: NAME C 10, NOTE M, DAY D; three records, memos in
// the first and third. Returns the file system holding T.DBF and T.FPT.
std::shared_ptr<dbfio::MemoryFileSystem> sample()
{
    auto fs = std::make_shared<dbfio::MemoryFileSystem>();
    TApolloDataSet t;
    t.setFileSystem(fs);
    EXPECT_TRUE(t.CreateNew(kDbf, 2, 3));
    t.CreateField("NAME", "C", 10, 0);
    t.CreateField("NOTE", "M", 10, 0);
    t.CreateField("DAY", "D", 8, 0);
    EXPECT_TRUE(t.CreateExec()) << t.LastError().toStdString();
    t.TableName = kDbf;
    t.Open();
    const char *notes[] = {"first memo", "", "third memo, a bit longer than one block of sixty-four bytes....."};
    for (int i = 0; i < 3; ++i) {
        t.Append();
        t.FieldByName("NAME").setAsString(QStringLiteral("rec%1").arg(i + 1));
        t.FieldByName("NOTE").setAsString(QString::fromLatin1(notes[i]));
        t.FieldByName("DAY").setAsString("01.02.2003");
        t.Post();
    }
    t.Close();
    return fs;
}

// Opens the table and reads every field of every record.
QStringList readAll(std::shared_ptr<dbfio::FileSystem> fs)
{
    TApolloDataSet t;
    t.setFileSystem(fs);
    t.TableName = kDbf;
    t.Open();
    QStringList rows;
    for (t.First(); !t.Eof(); t.Next()) {
        QStringList v;
        for (int i = 0; i < t.FieldCount(); ++i)
            v << t.FieldByName(t.FieldInfo(i).name).AsString();
        rows << v.join('|');
    }
    return rows;
}

const int kHeaderLen = 32 + 3 * 32 + 1;
const int kRecLen = 1 + 10 + 10 + 8;

void put16(QByteArray &b, int off, int v) { dbfbin::putLE16(b.data() + off, uint16_t(v)); }
void put32(QByteArray &b, int off, uint32_t v) { dbfbin::putLE32(b.data() + off, v); }
void setMemoPointer(QByteArray &dbf, int rec, const char *ten)
{
    memcpy(dbf.data() + kHeaderLen + (rec - 1) * kRecLen + 11, ten, 10);
}

} // namespace

TEST(DbfCorrupt, SampleReadsBack)
{
    const auto fs = sample();
    EXPECT_EQ(readAll(fs), QStringList({"rec1|first memo|01.02.2003", "rec2||01.02.2003",
                                        "rec3|third memo, a bit longer than one block of sixty-four bytes.....|01.02.2003"}));
}

TEST(DbfCorrupt, DamageGivesAnErrorNamingFileAndFault)
{
    struct Case {
        const char *name;
        std::function<void(QByteArray &dbf, QByteArray &fpt)> damage;
        const char *file;      // the file the message must name
        const char *fault;     // a part of the message saying what is wrong
    } cases[] = {
        {"not a table", [](QByteArray &d, QByteArray &) { d = "Hello, this is a plain text file and not a table at all.\n"; },
         "T.DBF", "ni tabela DBF"},
        {"empty file", [](QByteArray &d, QByteArray &) { d.clear(); }, "T.DBF", "prekratka"},
        {"only part of the header", [](QByteArray &d, QByteArray &) { d.truncate(20); }, "T.DBF", "prekratka"},
        {"header length too small", [](QByteArray &d, QByteArray &) { put16(d, 8, 40); }, "T.DBF", "dolžina glave 40"},
        {"header length past the end", [](QByteArray &d, QByteArray &) { put16(d, 8, 60000); }, "T.DBF", "daljša od datoteke"},
        {"record length zero", [](QByteArray &d, QByteArray &) { put16(d, 10, 0); }, "T.DBF", "dolžina zapisa 0"},
        {"fields wider than the record", [](QByteArray &d, QByteArray &) { put16(d, 10, 12); }, "T.DBF", "ne gredo v zapis"},
        {"record count beyond the end", [](QByteArray &d, QByteArray &) { put32(d, 4, 1000); }, "T.DBF", "število zapisov 1000"},
        {"huge record count", [](QByteArray &d, QByteArray &) { put32(d, 4, 0xFFFFFFFFu); }, "T.DBF", "število zapisov"},
        {"file cut inside a record", [](QByteArray &d, QByteArray &) { d.truncate(kHeaderLen + kRecLen * 2 + 5); }, "T.DBF", "število zapisov 3"},
        {"field of width zero", [](QByteArray &d, QByteArray &) { d[32 + 16] = 0; }, "T.DBF", "širino 0"},
        {"memo field of width 7", [](QByteArray &d, QByteArray &) { d[64 + 16] = 7; }, "T.DBF", "memo polje NOTE"},
        {"date field of width 6", [](QByteArray &d, QByteArray &) { d[96 + 16] = 6; }, "T.DBF", "datumsko polje DAY"},
        {"no fields", [](QByteArray &d, QByteArray &) { d[32] = 0x0D; }, "T.DBF", "nima polj"},
        {"field without a name", [](QByteArray &d, QByteArray &) { memset(d.data() + 32, 0, 11); }, "T.DBF", "nima imena"},
        // Records would be read shifted by the missing byte.
        {"header length stops before the terminator", [](QByteArray &d, QByteArray &) { put16(d, 8, kHeaderLen - 1); }, "T.DBF", "pred zaključkom seznama polj"},
        {"descriptor past the header", [](QByteArray &d, QByteArray &) { put16(d, 8, 32 + 32 + 10); put32(d, 4, 0); }, "T.DBF", "opis polja 2"},
        {"memo file missing", [](QByteArray &, QByteArray &f) { f = QByteArray(); }, "T.FPT", "manjka"},
        {"memo file shorter than its header", [](QByteArray &, QByteArray &f) { f.truncate(100); }, "T.FPT", "prekratka"},
        {"memo block size zero", [](QByteArray &, QByteArray &f) { f[6] = 0; f[7] = 0; }, "T.FPT", "velikost bloka"},
        {"memo pointer past the end", [](QByteArray &d, QByteArray &) { setMemoPointer(d, 1, "     99999"); }, "T.FPT", "zapis 1, polje NOTE"},
        {"memo pointer into the header", [](QByteArray &d, QByteArray &) { setMemoPointer(d, 3, "         2"); }, "T.FPT", "zapis 3, polje NOTE"},
        {"memo pointer not a number", [](QByteArray &d, QByteArray &) { setMemoPointer(d, 1, "    12ab  "); }, "T.DBF", "kazalec zapiska ni veljaven"},
        {"memo length past the end", [](QByteArray &, QByteArray &f) { dbfbin::putBE32(f.data() + 8 * 64 + 4, 0x7FFFFFFF); }, "T.FPT", "sega čez konec"},
        {"memo file cut inside a memo", [](QByteArray &, QByteArray &f) { f.truncate(9 * 64 + 20); }, "T.FPT", "zapis 3, polje NOTE"},
    };
    for (const Case &c : cases) {
        const auto fs = sample();
        QByteArray dbf = fs->file(kDbf), fpt = fs->file(kFpt);
        c.damage(dbf, fpt);
        fs->setFile(kDbf, dbf);
        if (fpt.isNull())
            fs->remove(kFpt);
        else
            fs->setFile(kFpt, fpt);
        try {
            readAll(fs);
            ADD_FAILURE() << c.name << ": no error";
        } catch (const EMoxError &e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.file))) << c.name << ": " << e.what();
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.fault))) << c.name << ": " << e.what();
        }
    }
}

TEST(DbfCorrupt, LibertiesOfOtherWritersAreRead)
{
    struct Case {
        const char *name;
        std::function<void(QByteArray &dbf)> change;
    } cases[] = {
        {"no end-of-file marker", [](QByteArray &d) { d.chop(1); }},
        {"dBASE-style year", [](QByteArray &d) { d[1] = char(124); }},
        {"263-byte backlink after the descriptors", [](QByteArray &d) {
             d.insert(kHeaderLen, QByteArray(263, '\0'));
             put16(d, 8, kHeaderLen + 263);
         }},
        {"one extra byte after the terminator", [](QByteArray &d) {
             d.insert(kHeaderLen, QByteArray(1, '\0'));
             put16(d, 8, kHeaderLen + 1);
         }},
        {"garbage after the records", [](QByteArray &d) { d += QByteArray(100, 'x'); }},
        {"code page unspecified", [](QByteArray &d) { d[29] = 0; }},
    };
    for (const Case &c : cases) {
        const auto fs = sample();
        QByteArray dbf = fs->file(kDbf);
        c.change(dbf);
        fs->setFile(kDbf, dbf);
        try {
            const QStringList rows = readAll(fs);
            ASSERT_EQ(rows.size(), 3) << c.name;
            EXPECT_EQ(rows.at(2).section('|', 0, 0), QStringLiteral("rec3")) << c.name;
            EXPECT_TRUE(rows.at(2).section('|', 1, 1).startsWith(QStringLiteral("third memo"))) << c.name;
        } catch (const EMoxError &e) {
            ADD_FAILURE() << c.name << ": " << e.what();
        }
        // Appending to such a file keeps the old records readable.
        TApolloDataSet t;
        t.setFileSystem(fs);
        t.TableName = kDbf;
        t.Open();
        t.Append();
        t.FieldByName("NAME").setAsString("new");
        t.FieldByName("NOTE").setAsString("new memo");
        t.Post();
        t.Close();
        const QStringList rows = readAll(fs);
        ASSERT_EQ(rows.size(), 4) << c.name;
        EXPECT_EQ(rows.at(3), QStringLiteral("new|new memo|")) << c.name;
        EXPECT_TRUE(rows.at(0).startsWith(QStringLiteral("rec1|first memo"))) << c.name;
    }
}

TEST(DbfCorrupt, MemoHeaderBehindTheFileIsNotTrusted)
{
    // A memo file whose "next free block" lags behind its real end: new memos
    // go after the real end and never overwrite an existing one.
    const auto fs = sample();
    QByteArray fpt = fs->file(kFpt);
    dbfbin::putBE32(fpt.data(), 8);
    fs->setFile(kFpt, fpt);
    TApolloDataSet t;
    t.setFileSystem(fs);
    t.TableName = kDbf;
    t.Open();
    t.Append();
    t.FieldByName("NOTE").setAsString("added");
    t.Post();
    t.Close();
    const QStringList rows = readAll(fs);
    ASSERT_EQ(rows.size(), 4);
    EXPECT_TRUE(rows.at(0).startsWith(QStringLiteral("rec1|first memo|")));
    EXPECT_EQ(rows.at(3), QStringLiteral("|added|"));
}
