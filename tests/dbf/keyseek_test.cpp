// Keys of several fields ("a,b" as well as "a+b") and seeks that compare
// whole fields: our own reading, and Perl's XBase::Index walking and seeking
// the same index file.
#include "dbf/apollo.h"
#include "base/moxerror.h"
#include "base/text.h"
#include "support/testenv.h"

#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

// Links of groups to activities, written so that the longer codes come
// first: G10 before G1, A10 before A1. The fourth record is marked deleted.
struct Link {
    const char *grupa, *akt;
};
const Link kLinks[] = {{"G10", "A1"}, {"G1", "A10"}, {"G1", "A1"}, {"G2", "A1"}, {"G1", "A2"}};

QString makeLinks(const TestEnv &env, TApolloDataSet &t, const QString &expression)
{
    const QString path = env.path("xgo61grp.dbf");
    EXPECT_TRUE(t.CreateNew(path, 2, 3));
    t.CreateField("POPRAVI", "C", 1, 0);
    t.CreateField("CODE_061", "C", 10, 0);
    t.CreateField("CODE_060", "C", 10, 0);
    EXPECT_TRUE(t.CreateExec());
    t.TableName = path;
    t.Open();
    for (const Link &l : kLinks) {
        t.Append();
        t.FieldByName("CODE_061").setAsString(l.grupa);
        t.FieldByName("CODE_060").setAsString(l.akt);
        t.Post();
    }
    t.Go(4);
    t.Delete();
    t.Index(env.path("xgo61grp"), expression);
    return path;
}

QStringList walk(TApolloDataSet &t)
{
    QStringList out;
    for (t.First(); !t.Eof(); t.Next())
        out << t.FieldByName("CODE_061").AsString() + "/" + t.FieldByName("CODE_060").AsString();
    return out;
}

QString pad(const char *s, int width) { return QString::fromLatin1(s).leftJustified(width, ' '); }

} // namespace

TEST(KeySeek, CommaJoinsFieldsAsPlusDoes)
{
    for (const char *expr : {"code_061,code_060", "CODE_061 + code_060", "code_061 , code_060"}) {
        SCOPED_TRACE(expr);
        TestEnv env;
        TApolloDataSet t;
        makeLinks(env, t, expr);
        EXPECT_EQ(t.IndexExpression(), QString::fromLatin1(expr));
        EXPECT_EQ(walk(t), QStringList({"G1/A1", "G1/A10", "G1/A2", "G10/A1"}));
    }
    TestEnv env;
    TApolloDataSet t;
    makeLinks(env, t, "code_061");
    for (const char *bad : {"code_061,", ",code_061", "code_061,,code_060", "code_061;code_060", "code_061,nima"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(t.Index(env.path("xgo61grp"), bad), EMoxError);
    }
}

TEST(KeySeek, WholeFieldsAreCompared)
{
    TestEnv env;
    TApolloDataSet t;
    makeLinks(env, t, "code_061,code_060");
    struct Case {
        QStringList values;
        int recno; // 0: not found
    };
    const Case cases[] = {
        {{"G1", "A1"}, 3},          // not A10 (record 2), though it begins with A1
        {{"G1", "A10"}, 2},
        {{"G1"}, 3},                // any link of G1, not of G10
        {{"G10"}, 1},
        {{"G1 ", "A2  "}, 5},       // blanks are the field's own padding
        {{"G2", "A1"}, 0},          // deleted
        {{"G2"}, 0},
        {{"G", "A1"}, 0},
        {{"G1", "A"}, 0},
        {{"G1", "A1", "X"}, 0},     // more values than fields
        {{"G1234567890X"}, 0},      // wider than its field
        {{}, 3},                    // the first key
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.values.join('|').toStdString());
        EXPECT_EQ(t.SeekFields(c.values), c.recno != 0);
        EXPECT_EQ(t.Eof(), c.recno == 0);
        if (c.recno != 0) {
            EXPECT_EQ(t.RecNo(), c.recno);
        }
    }
    // Walking on from a found record follows the index.
    ASSERT_TRUE(t.SeekFields({"G1", "A10"}));
    t.Next();
    EXPECT_EQ(t.RecNo(), 5);

    // SeekExact pads the whole key; the prefix seek still takes prefixes.
    EXPECT_TRUE(t.SeekExact(pad("G1", 10) + "A1"));
    EXPECT_EQ(t.RecNo(), 3);
    EXPECT_FALSE(t.SeekExact(pad("G1", 10) + "A"));
    EXPECT_FALSE(t.SeekExact("G1"));
    EXPECT_FALSE(t.SeekExact(pad("G1", 10) + pad("A1", 10) + "X"));
    EXPECT_TRUE(t.Seek(pad("G1", 10) + "A"));
    EXPECT_EQ(t.RecNo(), 3);

    // A single-field key: the activity A1 written after A10 is not present.
    t.Index(env.path("xgo61grp"), "code_060");
    EXPECT_TRUE(t.Seek("A1"));          // prefix: finds A1 or A10
    EXPECT_TRUE(t.SeekExact("A1"));
    EXPECT_EQ(t.FieldByName("CODE_060").AsString(), "A1");
    EXPECT_FALSE(t.SeekExact("A3"));
    t.CloseIndex();
    EXPECT_THROW(t.SeekFields({"A1"}), EMoxError);
    EXPECT_THROW(t.SeekExact("A1"), EMoxError);
}

// Perl's XBase::Index walks the "," index in key order and finds whole keys
// with its own equality seek.
TEST(KeySeek, PerlXBaseWalksAndSeeksCommaIndex)
{
    const QString perl = QStringLiteral("/usr/bin/perl");
    QProcess probe;
    probe.start(perl, {"-MXBase::Index", "-e1"});
    if (!QFileInfo::exists(perl) || !probe.waitForFinished(30000) || probe.exitCode() != 0)
        GTEST_SKIP() << "Perl XBase (libdbd-xbase-perl) is not installed";
    TestEnv env;
    TApolloDataSet t;
    makeLinks(env, t, "code_061,code_060");
    t.Close();

    // Prints the tag's expression, every key (trailing blanks cut) with its
    // record number, then for each sought key the first key at or after it.
    const QString script = QStringLiteral(R"(
use XBase::Index;
my $dir = XBase::Index->new($ARGV[0], type => 'char') or die XBase::Index->errstr;
my @tags = $dir->tags;
die "tags: @tags\n" unless @tags == 1;
my $i = XBase::Index->new($ARGV[0], type => 'char', tag => $tags[0]) or die XBase::Index->errstr;
print "expr $i->{key_string}\n";
$i->prepare_select;
while (my ($k, $v) = $i->fetch) { $k =~ s/\s+$//; print "key $k $v\n"; }
for my $s (@ARGV[1..$#ARGV]) {
    $s =~ s/\s+$//;   # the reader's keys come without their trailing blanks
    $i->prepare_select_eq($s);
    my ($k, $v) = $i->fetch;
    print(defined $k && $k eq $s ? "found $v\n" : "none\n");
}
)");
    const QStringList sought = {pad("G1", 10) + pad("A1", 10), pad("G1", 10) + pad("A10", 10),
                                pad("G10", 10) + pad("A1", 10), pad("G1", 10) + pad("A3", 10)};
    QProcess p;
    p.start(perl, QStringList{"-e", script, env.path("xgo61grp.CDX")} + sought);
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QStringList lines = QString::fromLatin1(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    // The deleted record keeps its key in the file (as FoxPro keeps it).
    EXPECT_EQ(lines, QStringList({"expr CODE_061+CODE_060", "key G1        A1 3", "key G1        A10 2",
                                  "key G1        A2 5", "key G10       A1 1", "key G2        A1 4", "found 3",
                                  "found 2", "found 1", "none"}));
}
