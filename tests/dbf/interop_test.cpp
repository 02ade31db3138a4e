// Our files as independent readers see them, and theirs as we see them:
// python3-dbf and python3-dbfread read every record, field and memo of a table
// we wrote; Perl's XBase::Index walks the index tags we built; we read FoxPro
// tables that python3-dbf wrote. A reader that is not installed skips its test
// (scripts/deps.sh installs them all).
#include "dbf/apollo.h"
#include "base/text.h"
#include "support/testenv.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

// The system's Python, where Debian's dbf modules live.
const QString python = QStringLiteral("/usr/bin/python3");
const QString perl = QStringLiteral("/usr/bin/perl");

struct ProcResult {
    int code = -1;
    QByteArray out, err;
};

ProcResult run(const QString &program, const QStringList &args, const QString &dir)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(program, args);
    ProcResult r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        r.err = "did not finish";
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

bool hasPythonModule(const char *module)
{
    if (!QFileInfo::exists(python))
        return false;
    return run(python, {"-c", QStringLiteral("import %1").arg(module)}, ".").code == 0;
}

bool hasPerlXBase()
{
    return QFileInfo::exists(perl) && run(perl, {"-MXBase::Index", "-e1"}, ".").code == 0;
}

struct Row {
    QString name, note, day, code;
};

// Every letter that differs from ASCII in Slovenian and its neighbours, a memo
// with line breaks, a blank memo, a blank date, a value cut to its width.
const QVector<Row> kRows = {
    {QStringLiteral("Čapek Šušteršič"), QStringLiteral("prva vrstica\r\nčćžšđ ČĆŽŠĐ"), "2024-11-05", "A1"},
    {QStringLiteral("Novák"), QString(), QString(), "B2"},
    {QStringLiteral("  Žiga Đurić"), QString(300, QChar(0x0161)), "1999-12-31", "ĆĆĆĆĆ"},
    {QStringLiteral("zadnji"), QStringLiteral("x"), "2000-01-01", ""},
};

// NAME C 20, NOTE M, DAY D, CODE C 5, filled with kRows.
QString writeSample(const TestEnv &env)
{
    const QString path = env.path("SLO.DBF");
    TApolloDataSet t;
    EXPECT_TRUE(t.CreateNew(path, 2, 4));
    t.CreateField("NAME", "C", 20, 0);
    t.CreateField("NOTE", "M", 10, 0);
    t.CreateField("DAY", "D", 8, 0);
    t.CreateField("CODE", "C", 5, 0);
    EXPECT_TRUE(t.CreateExec());
    t.TableName = path;
    t.Open();
    for (const Row &r : kRows) {
        t.Append();
        t.FieldByName("NAME").setAsString(r.name);
        t.FieldByName("NOTE").setAsString(r.note);
        t.FieldByName("DAY").setAsString(r.day);
        t.FieldByName("CODE").setAsString(r.code);
        t.Post();
    }
    t.Close();
    return path;
}

// The reader's records as [name, note, day, code] lists of strings.
void expectRows(const ProcResult &r)
{
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonArray rows = QJsonDocument::fromJson(r.out).array();
    ASSERT_EQ(rows.size(), kRows.size()) << r.out.toStdString();
    for (int i = 0; i < kRows.size(); ++i) {
        const QJsonArray v = rows.at(i).toArray();
        ASSERT_EQ(v.size(), 4);
        EXPECT_EQ(v.at(0).toString(), kRows[i].name) << "record " << i + 1;
        EXPECT_EQ(v.at(1).toString(), kRows[i].note) << "record " << i + 1;
        EXPECT_EQ(v.at(2).toString(), kRows[i].day) << "record " << i + 1;
        EXPECT_EQ(v.at(3).toString(), kRows[i].code.left(5)) << "record " << i + 1;
    }
}

} // namespace

TEST(DbfInterop, PythonDbfReadsOurTable)
{
    if (!hasPythonModule("dbf"))
        GTEST_SKIP() << "python3-dbf is not installed";
    TestEnv env;
    const QString path = writeSample(env);
    const ProcResult r = run(python, {"-c", R"(
import dbf, json, sys
t = dbf.Table(sys.argv[1])
t.open(dbf.READ_ONLY)
assert t.codepage.name == 'cp1250', t.codepage
rows = []
for rec in t:
    day = rec.day
    rows.append([rec.name.rstrip(), rec.note or '', day.isoformat() if day else '', rec.code.rstrip()])
print(json.dumps(rows))
)", path}, env.dir());
    expectRows(r);
}

TEST(DbfInterop, DbfreadReadsOurTable)
{
    if (!hasPythonModule("dbfread"))
        GTEST_SKIP() << "python3-dbfread is not installed";
    TestEnv env;
    const QString path = writeSample(env);
    const ProcResult r = run(python, {"-c", R"(
import dbfread, json, sys
t = dbfread.DBF(sys.argv[1], char_decode_errors='strict')
assert t.encoding == 'cp1250', t.encoding
rows = []
for rec in t:
    day = rec['DAY']
    rows.append([rec['NAME'], rec['NOTE'] or '', day.isoformat() if day else '', rec['CODE']])
print(json.dumps(rows))
)", path}, env.dir());
    expectRows(r);
}

TEST(DbfInterop, PerlXBaseWalksOurIndexTags)
{
    if (!hasPerlXBase())
        GTEST_SKIP() << "Perl XBase (libdbd-xbase-perl) is not installed";
    TestEnv env;
    const QString path = writeSample(env);
    TApolloDataSet t;
    t.TableName = path;
    t.Open();
    // Two tags in one compound file: a field, and two fields joined.
    t.Index(env.path("SLO"), "NAME");
    t.Index(env.path("SLO"), "CODE+NAME");
    t.Close();

    const QString script = QStringLiteral(R"(
use XBase::Index;
my $i = XBase::Index->new($ARGV[0], type => 'char', tag => $ARGV[1]) or die XBase::Index->errstr;
$i->prepare_select;
while (my ($k, $v) = $i->fetch) { print "$k\t$v\n"; }
)");
    struct Tag {
        QString name;
        QStringList expected; // key without trailing blanks, tab, record number
    };
    // Bytes order: blanks first, then ASCII, then the Windows-1250 letters.
    const QVector<Tag> tags = {
        {"NAME", {QStringLiteral("  Žiga Đurić\t3"), QStringLiteral("Novák\t2"), QStringLiteral("zadnji\t4"),
                  QStringLiteral("Čapek Šušteršič\t1")}},
    };
    for (const Tag &tag : tags) {
        const ProcResult r = run(perl, {"-e", script, env.path("SLO.CDX"), tag.name}, env.dir());
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        const QStringList lines = moxtext::fromCp1250(r.out).split('\n', Qt::SkipEmptyParts);
        EXPECT_EQ(lines, tag.expected) << tag.name.toStdString();
    }
    // The composite tag: its name comes from the expression; find it through
    // the tag directory as index_dump lists it.
    const ProcResult list = run(perl, {"/usr/bin/index_dump", "--type", "char", env.path("SLO.CDX")}, env.dir());
    ASSERT_EQ(list.code, 0) << list.err.toStdString();
    QString composite;
    for (const QString &line : QString::fromLatin1(list.out).split('\n', Qt::SkipEmptyParts)) {
        if (line.trimmed() != QLatin1String("NAME"))
            composite = line.trimmed().section(QLatin1Char(' '), 0, 0);
    }
    ASSERT_FALSE(composite.isEmpty()) << list.out.toStdString();
    const ProcResult r = run(perl, {"-e", script, env.path("SLO.CDX"), composite}, env.dir());
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList lines = moxtext::fromCp1250(r.out).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines, QStringList({QStringLiteral("     zadnji\t4"), QStringLiteral("A1   Čapek Šušteršič\t1"),
                                  QStringLiteral("B2   Novák\t2"), QStringLiteral("ĆĆĆĆĆ  Žiga Đurić\t3")}));
}

TEST(DbfInterop, WeReadFoxProTablesPythonDbfWrote)
{
    if (!hasPythonModule("dbf"))
        GTEST_SKIP() << "python3-dbf is not installed";
    // FoxPro 2.x (10-byte memo pointers, a backlink, no end marker, blocks of
    // 128) and Visual FoxPro (4-byte pointers).
    for (const char *kind : {"fp", "vfp"}) {
        TestEnv env;
        const ProcResult w = run(python, {"-c", R"(
import dbf, datetime, sys
t = dbf.Table('PY.dbf', 'name C(20); note M; day D; cnt N(6,1)', dbf_type=sys.argv[1], codepage='cp1250')
t.open(dbf.READ_WRITE)
t.append(('Čapek Žiga', 'prva\r\ndruga šđ' * 20, datetime.date(2001, 2, 3), 12.5))
t.append(('Novák', '', None, None))
t.append(('Đurđa', 'ž', datetime.date(1999, 12, 31), -3))
t.close()
)", kind}, env.dir());
        ASSERT_EQ(w.code, 0) << w.err.toStdString();
        TApolloDataSet t;
        t.TableName = env.path("PY");
        t.Open();
        ASSERT_EQ(t.RecordCount(), 3) << kind;
        QStringList got;
        for (t.First(); !t.Eof(); t.Next()) {
            got << QStringList({t.FieldByName("NAME").AsString(), t.FieldByName("NOTE").AsString(),
                                t.FieldByName("DAY").AsString(), t.FieldByName("CNT").AsString()})
                       .join('|');
        }
        EXPECT_EQ(got, QStringList({QStringLiteral("Čapek Žiga|") + QStringLiteral("prva\r\ndruga šđ").repeated(20)
                                        + QStringLiteral("|03.02.2001|12.5"),
                                    QStringLiteral("Novák|||"),
                                    QStringLiteral("Đurđa|ž|31.12.1999|-3.0")}))
            << kind;
        // And we may add to it.
        t.Append();
        t.FieldByName("NAME").setAsString("dodan");
        t.FieldByName("NOTE").setAsString("nov zapisek");
        t.Post();
        t.Close();
        const ProcResult r = run(python, {"-c", R"(
import dbf
t = dbf.Table('PY.dbf')
t.open(dbf.READ_ONLY)
print(len(t), t[3].name.rstrip(), t[3].note, t[0].note[:4])
)"}, env.dir());
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(QString::fromUtf8(r.out).trimmed(), QStringLiteral("4 dodan nov zapisek prva")) << kind;
    }
}

TEST(DbfInterop, PythonReadersOpenOurTableWithoutMemo)
{
    if (!hasPythonModule("dbf") || !hasPythonModule("dbfread"))
        GTEST_SKIP() << "python3-dbf or python3-dbfread is not installed";
    TestEnv env;
    const QString path = env.path("PLAIN.DBF");
    TApolloDataSet t;
    ASSERT_TRUE(t.CreateNew(path, 2, 2));
    t.CreateField("A", "C", 5, 0);
    t.CreateField("D1", "D", 8, 0);
    ASSERT_TRUE(t.CreateExec());
    t.TableName = path;
    t.Open();
    t.Append();
    t.FieldByName("A").setAsString(QStringLiteral("šžČ"));
    t.FieldByName("D1").setAsString("01.02.2003");
    t.Post();
    t.Close();
    const ProcResult r = run(python, {"-c", R"(
import dbf, dbfread, sys
t = dbf.Table(sys.argv[1])
t.open(dbf.READ_ONLY)
a = [(r.a.rstrip(), r.d1.isoformat()) for r in t]
b = [(r['A'], r['D1'].isoformat()) for r in dbfread.DBF(sys.argv[1])]
print(a == b, a[0][0], a[0][1])
)", path}, env.dir());
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(r.out).trimmed(), QStringLiteral("True šžČ 2003-02-01"));
}
