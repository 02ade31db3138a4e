// The result viewer, the closing review question, and the DBF viewer with
// its table model writing edits back to the file.
#include "dbf/apollo.h"
#include "base/interaction.h"
#include "base/moxerror.h"
#include "base/text.h"
#include "support/testenv.h"
#include "ui/dbfmodel.h"
#include "ui/prikazirezultat.h"
#include "ui/tfmdbf.h"
#include "ui/tfmresult.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTextBlock>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

// Answers the message dialog with a fixed result and remembers what it asked.
class FakeInteraction : public TInteraction {
public:
    explicit FakeInteraction(int answer) : m_answer(answer) {}
    int pokaziSporocilo(const QString &text, TMsgDlgType kind, TMsgDlgButtons buttons, int helpContext) override
    {
        asked << text;
        lastKind = kind;
        lastButtons = buttons;
        lastHelp = helpContext;
        return m_answer;
    }
    void showMessage(const QString &text) override { messages << text; }
    void processEvents() override {}

    QStringList asked, messages;
    TMsgDlgType lastKind = mtCustom;
    TMsgDlgButtons lastButtons = 0;
    int lastHelp = -1;

private:
    int m_answer;
};

QStringList memoLines(const QPlainTextEdit *m)
{
    QStringList out;
    for (QTextBlock b = m->document()->begin(); b.isValid(); b = b.next())
        out << b.text();
    return out;
}

// A three-record table with a character, a numeric and a memo field.
void makeTable(const QString &path)
{
    TApolloDataSet t;
    ASSERT_TRUE(t.CreateNew(path, 2, 4));
    t.CreateField("POPRAVI", "C", 1, 0);
    t.CreateField("CODE_055", "C", 10, 0);
    t.CreateField("DESC_055", "C", 30, 0);
    t.CreateField("INFO_055", "M", 10, 0);
    ASSERT_TRUE(t.CreateExec()) << t.LastError().toStdString();
    t.TableName = path;
    t.Open();
    const char *rows[][3] = {{"A1", "Šolska ambulanta", "prvi"}, {"B2", "Čakalnica", ""}, {"C3", "Žarek", "tretji"}};
    for (const auto &r : rows) {
        t.Append();
        t.FieldByName("POPRAVI").setAsString("*");
        t.FieldByName("CODE_055").setAsString(QString::fromUtf8(r[0]));
        t.FieldByName("DESC_055").setAsString(QString::fromUtf8(r[1]));
        t.FieldByName("INFO_055").setAsString(QString::fromUtf8(r[2]));
        t.Post();
    }
    t.Close();
}

QStringList readColumn(const QString &path, const QString &field)
{
    TApolloDataSet t;
    t.TableName = path;
    t.Open();
    QStringList out;
    for (int i = 1; i <= t.RecordCount(); ++i) {
        t.Go(i);
        out << t.FieldByName(field).AsString();
    }
    t.Close();
    return out;
}

} // namespace

TEST(ViewersResult, LoadsTheFileLinesAsTheyAre)
{
    TestEnv env;
    struct Case {
        const char *name;
        QStringList lines;
    } cases[] = {
        {"title line only", {QStringLiteral("Skupni Šifranti")}},
        {"several lines with blanks and Slovenian letters",
         {QStringLiteral("TABELA :TAVO.KA060AK0"), QStringLiteral("NOVO   A100"),
          QStringLiteral("             OPIS_060  staro:čaj  novo:žep  "), QString(), QStringLiteral("konec")}},
    };
    for (const Case &c : cases) {
        const QString path = env.path(QStringLiteral("r.rez"));
        moxtext::writeTextLines(path, c.lines);
        TfmResult w;
        w.naloziDatoteko(path);
        EXPECT_EQ(memoLines(w.meResult), c.lines) << c.name;
    }
}

TEST(ViewersResult, WindowLayoutAndClose)
{
    TfmResult w;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Spremembe"));
    EXPECT_TRUE(w.meResult->isReadOnly());
    EXPECT_EQ(w.meResult->objectName(), QStringLiteral("meResult"));
    EXPECT_EQ(w.Panel1->height(), 41);
    EXPECT_EQ(w.btIzhod->text(), QStringLiteral("Izhod"));
    EXPECT_EQ(w.btIzhod->geometry(), QRect(16, 8, 75, 25));
    w.show();
    ASSERT_TRUE(w.isVisible());
    w.btIzhod->click();
    EXPECT_FALSE(w.isVisible());
}

TEST(ViewersResult, MissingFileRaisesNamingIt)
{
    TestEnv env;
    TfmResult w;
    const QString path = env.path(QStringLiteral("nima.rez"));
    try {
        w.naloziDatoteko(path);
        FAIL() << "no error";
    } catch (const EMoxError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("nima.rez"))) << e.what();
    }
}

TEST(ViewersResult, ClosingQuestionAndAnswers)
{
    TestEnv env;
    const QString existing = env.path(QStringLiteral("SKS.rez"));
    moxtext::writeTextLines(existing, {QStringLiteral("Skupni Šifranti")});
    const QString missing = env.path(QStringLiteral("nima.rez"));

    // Ne: nothing is loaded, so even a missing file is no error.
    FakeInteraction no(mrNo);
    EXPECT_NO_THROW(prikaziRezultat(QStringLiteral("Konec osveževanja"), missing, no));
    ASSERT_EQ(no.asked.size(), 1);
    EXPECT_EQ(no.asked[0], QStringLiteral("Konec osveževanja.       PREGLED?\r\n"));
    EXPECT_EQ(no.lastKind, mtInformation);
    EXPECT_EQ(no.lastButtons, TMsgDlgButtons(mbYes | mbNo));
    EXPECT_EQ(no.lastHelp, 0);

    // Da: the file is loaded (offscreen the window is not kept open).
    FakeInteraction yes(mrYes);
    EXPECT_NO_THROW(prikaziRezultat(QStringLiteral("Konec"), existing, yes));
    EXPECT_THROW(prikaziRezultat(QStringLiteral("Konec"), missing, yes), EMoxError);
    EXPECT_THROW(prikaziDatoteko(missing), EMoxError);
    EXPECT_NO_THROW(prikaziDatoteko(existing));
}

TEST(ViewersDbf, ModelShowsRecordsAndFields)
{
    TestEnv env;
    const QString path = env.path(QStringLiteral("XGK55HC0.DBF"));
    makeTable(path);
    TApolloDataSet t;
    t.TableName = path;
    t.Open();
    TDbfModel m;
    m.setTable(&t);
    ASSERT_EQ(m.rowCount(), 3);
    ASSERT_EQ(m.columnCount(), 4);
    EXPECT_EQ(m.headerData(1, Qt::Horizontal).toString(), QStringLiteral("CODE_055"));
    EXPECT_EQ(m.headerData(2, Qt::Vertical).toString(), QStringLiteral("3"));
    EXPECT_EQ(m.data(m.index(0, 2)).toString(), QStringLiteral("Šolska ambulanta"));
    EXPECT_EQ(m.data(m.index(2, 1)).toString(), QStringLiteral("C3"));
    EXPECT_EQ(m.data(m.index(2, 3)).toString(), QStringLiteral("tretji"));
    EXPECT_EQ(m.data(m.index(1, 3)).toString(), QString());
    EXPECT_EQ(m.sirinaPolja(2), 30);
    EXPECT_EQ(m.sirinaPolja(3), 0);
    t.Close();
}

TEST(ViewersDbf, EditIsWrittenToTheFileWhenPosted)
{
    TestEnv env;
    const QString path = env.path(QStringLiteral("KA060AK0.DBF"));
    makeTable(path);
    TApolloDataSet t;
    t.TableName = path;
    t.Open();
    TDbfModel m;
    m.setTable(&t);

    ASSERT_TRUE(m.setData(m.index(1, 2), QStringLiteral("Ćevapi in žlikrofi")));
    EXPECT_TRUE(m.urejanje());
    EXPECT_EQ(m.data(m.index(1, 2)).toString(), QStringLiteral("Ćevapi in žlikrofi"));
    // A cancelled edit leaves the record as it was.
    m.preklici();
    EXPECT_FALSE(m.urejanje());
    EXPECT_EQ(m.data(m.index(1, 2)).toString(), QStringLiteral("Čakalnica"));

    // Editing another record posts the pending one first.
    ASSERT_TRUE(m.setData(m.index(1, 2), QStringLiteral("Ćevapi in žlikrofi")));
    ASSERT_TRUE(m.setData(m.index(0, 0), QString()));
    EXPECT_EQ(m.vrsticaUrejanja(), 0);
    m.objavi();
    EXPECT_FALSE(m.urejanje());
    t.Close();

    EXPECT_EQ(readColumn(path, QStringLiteral("DESC_055")),
              (QStringList{QStringLiteral("Šolska ambulanta"), QStringLiteral("Ćevapi in žlikrofi"),
                           QStringLiteral("Žarek")}));
    EXPECT_EQ(readColumn(path, QStringLiteral("POPRAVI")),
              (QStringList{QString(), QStringLiteral("*"), QStringLiteral("*")}));
}

TEST(ViewersDbf, InsertAndDelete)
{
    TestEnv env;
    const QString path = env.path(QStringLiteral("XP116PAL.DBF"));
    makeTable(path);
    TApolloDataSet t;
    t.TableName = path;
    t.Open();
    TDbfModel m;
    m.setTable(&t);

    // A new record is a row of its own until it is posted; cancel drops it.
    EXPECT_EQ(m.vstavi(), 3);
    EXPECT_EQ(m.rowCount(), 4);
    m.preklici();
    EXPECT_EQ(m.rowCount(), 3);
    EXPECT_EQ(t.RecordCount(), 3);

    const int row = m.vstavi();
    ASSERT_TRUE(m.setData(m.index(row, 1), QStringLiteral("D4")));
    ASSERT_TRUE(m.setData(m.index(row, 3), QStringLiteral("nov memo")));
    m.objavi();
    EXPECT_EQ(m.rowCount(), 4);

    m.izbrisi(0);
    t.Go(1);
    EXPECT_TRUE(t.Deleted());
    t.Close();

    EXPECT_EQ(readColumn(path, QStringLiteral("CODE_055")),
              (QStringList{QStringLiteral("A1"), QStringLiteral("B2"), QStringLiteral("C3"), QStringLiteral("D4")}));
    EXPECT_EQ(readColumn(path, QStringLiteral("INFO_055")).last(), QStringLiteral("nov memo"));
}

TEST(ViewersDbf, WindowGridNavigatorAndClosePostsTheEdit)
{
    TestEnv env;
    const QString path = env.path(QStringLiteral("KA000HED.DBF"));
    makeTable(path);
    TApolloDataSet t;
    t.TableName = path;
    t.Open();
    {
        TfmDBF w;
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Pregled in popravljanje DBF-tabel"));
        EXPECT_EQ(w.dbgDBF->objectName(), QStringLiteral("dbgDBF"));
        EXPECT_EQ(w.dbnDBF->objectName(), QStringLiteral("dbnDBF"));
        EXPECT_EQ(w.dbnDBF->width(), 390);
        for (const char *b : {"nbFirst", "nbPrior", "nbNext", "nbLast", "nbInsert", "nbDelete", "nbEdit", "nbPost",
                              "nbCancel", "nbRefresh"})
            EXPECT_NE(w.dbnDBF->findChild<QToolButton *>(QLatin1String(b)), nullptr) << b;
        EXPECT_EQ(w.Panel2->width(), 102);
        EXPECT_EQ(w.btIzhod->text(), QStringLiteral("Izhod"));

        w.povezi(&t);
        EXPECT_EQ(w.dbgDBF->currentIndex().row(), 0);
        w.dbnDBF->findChild<QToolButton *>("nbLast")->click();
        EXPECT_EQ(w.dbgDBF->currentIndex().row(), 2);
        w.dbnDBF->findChild<QToolButton *>("nbPrior")->click();
        EXPECT_EQ(w.dbgDBF->currentIndex().row(), 1);

        // An edit, then moving to another record, posts it.
        w.model()->setData(w.model()->index(1, 1), QStringLiteral("XX"));
        EXPECT_TRUE(w.dbnDBF->findChild<QToolButton *>("nbPost")->isEnabled());
        w.dbnDBF->findChild<QToolButton *>("nbFirst")->click();
        EXPECT_FALSE(w.model()->urejanje());

        // An edit still pending when the window closes is posted as well.
        w.model()->setData(w.model()->index(0, 1), QStringLiteral("YY"));
        w.show();
        w.btIzhod->click();
        EXPECT_FALSE(w.isVisible());
        EXPECT_FALSE(w.model()->urejanje());
    }
    t.Close();
    EXPECT_EQ(readColumn(path, QStringLiteral("CODE_055")),
              (QStringList{QStringLiteral("YY"), QStringLiteral("XX"), QStringLiteral("C3")}));
}
