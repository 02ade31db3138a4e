// The structure editors against a small embedded database: the grid filled
// from the dictionary, the structure text and DBF they write, the reference
// checks, and structure files opened back into the grid.
#include "dbf/apollo.h"
#include "run/dbfops.h"
#include "general/gui/editor_register.h"
#include "general/gui/tfmnastavi.h"
#include "general/gui/tfmnastmast.h"
#include "run/context.h"
#include "startup/dispatch.h"
#include "base/interaction.h"
#include "base/paths.h"
#include "base/text.h"
#include "support/testenv.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>

// Readable values in failure messages.
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

namespace {

class RecordingUi : public TInteraction {
public:
    QStringList messages;
    int pokaziSporocilo(const QString &text, TMsgDlgType, TMsgDlgButtons, int) override
    {
        messages << text;
        return mrOk;
    }
    void showMessage(const QString &text) override { messages << text; }
    void processEvents() override {}
};

QString mozDb(const QStringList &args)
{
    const QString tool = TestEnv::binaryDir() + QStringLiteral("/tools/mox-db/mox-db");
    QProcess p;
    p.start(tool, args);
    if (!p.waitForStarted(30000))
        return QStringLiteral("cannot start ") + tool;
    p.waitForFinished(120000);
    if (p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
        return {};
    return QStringLiteral("mox-db ") + args.join(u' ') + QStringLiteral(": ") +
           QString::fromUtf8(p.readAllStandardError()).trimmed();
}

// The table the general editor is tried on: number, key code, a priced
// NUMBER(8,2), a NUMBER(8), a date, a long text, the status and the two
// replication columns.
const char *const kKa060 = "create table KA060AK0 ("
                           " SIFRA060 NUMBER(10) not null,"
                           " CODE_060 VARCHAR2(10),"
                           " OPIS_060 VARCHAR2(60),"
                           " CENA_060 NUMBER(8,2),"
                           " KOLI_060 NUMBER(8),"
                           " DATUM060 DATE,"
                           " OPOMB060 VARCHAR2(2000),"
                           " STAT_060 VARCHAR2(1),"
                           " DATUMIPL DATE,"
                           " USER_IPL VARCHAR2(30))";

class Editors : public ::testing::Test {
public:
    void SetUp() override
    {
        for (const QStringList &a : {QStringList{"create", "EDIT"}, QStringList{"user", "EDIT", "TAVO", "TAVO"}}) {
            const QString e = mozDb(a);
            ASSERT_TRUE(e.isEmpty()) << e.toStdString();
        }
        ctx.osOracle.LogonUsername = QStringLiteral("TAVO");
        ctx.osOracle.LogonPassword = QStringLiteral("TAVO");
        ctx.osOracle.LogonDatabase = QStringLiteral("EDIT");
        ctx.osOracle.setConnected(true);
        ctx.currUser = QStringLiteral("TAVO");
        ctx.currServer = QStringLiteral("EDIT");
        exec({kKa060,
              // The first column is the number and no CODE_ column follows: the
              // key holds the auto candidate.
              "create table KA061AK0 (SIFRA061 NUMBER(10) not null, OPIS_061 VARCHAR2(20))",
              // No digit before the last character: no candidate at all.
              "create table ABCDEFG1 (SIFRA061 NUMBER(10), STAT_061 VARCHAR2(1))"});
        QDir().mkpath(env.path(QStringLiteral("save")));
        ctx.currSaveDir = moxpath::withTrailingSeparator(env.path(QStringLiteral("save")));
        ctx.ui = &ui;
    }
    void TearDown() override
    {
        ctx.taDBF.Close();
        if (ctx.osOracle.Connected())
            ctx.osOracle.setConnected(false);
    }

    void exec(std::initializer_list<const char *> statements)
    {
        TOracleQuery q(&ctx.osOracle);
        for (const char *s : statements) {
            q.Clear();
            q.SQL << QString::fromUtf8(s);
            q.Execute();
        }
        ctx.osOracle.Commit();
    }

    // The grid's rows as "PR|UPD|Kolona|..." for the given columns.
    static QStringList grid(const TfmStrukturaBase &f, int columns)
    {
        QStringList out;
        for (int r = 0; r < f.sgCol->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < columns; ++c)
                cells << f.celica(r, c);
            out << cells.join(u'|');
        }
        return out;
    }

    // Fields of a DBF as "NAME type width".
    static QStringList dbfFields(const QString &path)
    {
        TApolloDataSet t;
        t.TableName = path;
        t.Open();
        QStringList out;
        for (int i = 0; i < t.FieldCount(); ++i) {
            const TApolloFieldInfo &f = t.FieldInfo(i);
            out << f.name + u' ' + f.type + u' ' + QString::number(f.width);
        }
        t.Close();
        return out;
    }

    static QByteArray fileBytes(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Chooses the editor's tables as a person would: owner, then table.
    static void chooseTable(TfmStrukturaBase &f, const QString &owner, const QString &table)
    {
        f.cbUpor->setEditText(owner);
        f.cbUporExit();
        f.cbTabeleEnter();
        f.cbTabele->setEditText(table);
        f.cbTabeleExit();
    }

    // A file dialog that records what it was asked and answers with answer.
    TIzberiDatoteko chooser(const QString &answer)
    {
        return [this, answer](QWidget *, const TDatotecnaIzbira &i) {
            asked << QStringLiteral("%1 %2 %3 %4 %5")
                         .arg(i.shrani ? "save" : "open", i.filter, i.privzetaKoncnica,
                              QDir::cleanPath(i.mapa) == QDir::cleanPath(ctx.currSaveDir) ? "saveDir" : i.mapa,
                              i.predlog);
            return answer;
        };
    }

    TestEnv env;
    RecordingUi ui;
    TMoxContext ctx;
    QStringList asked;
};

} // namespace

TEST_F(Editors, GeneralEditorFillsTheGridFromTheDictionary)
{
    ctx.currOwner = QStringLiteral("tavo");
    TfmNastavi f(ctx);
    EXPECT_EQ(f.windowTitle(), "Nastavi strukturo prenosa");
    // The default owner is taken and upper-cased; the owner list is read.
    EXPECT_EQ(f.cbUpor->currentText(), "TAVO");
    EXPECT_EQ(f.trenUser, "TAVO");
    EXPECT_GE(f.cbUpor->findText(QStringLiteral("TAVO")), 0);
    EXPECT_EQ(f.pcStruktura->currentWidget(), f.tsNastavitve);
    EXPECT_EQ(grid(f, 9), QStringList{"PR|UPD|Kolona|Tip|Dol|Dec|Null|odv-kolona|odv-tabela"});

    f.cbTabeleEnter();
    EXPECT_EQ(f.trenTabeleUser, "TAVO");
    EXPECT_GE(f.cbTabele->findText(QStringLiteral("KA060AK0")), 0);
    EXPECT_GE(f.cbTabele->findText(QStringLiteral("KA061AK0")), 0);

    f.cbTabele->setEditText(QStringLiteral("ka060ak0"));
    f.cbTabeleExit();
    EXPECT_EQ(f.cbTabele->currentText(), "KA060AK0");
    EXPECT_EQ(grid(f, 7), (QStringList{
                              "PR|UPD|Kolona|Tip|Dol|Dec|Null",
                              " | |SIFRA060|NUMBER|10|0|N",
                              "+|+|CODE_060|VARCHAR2|10||Y",
                              "+|+|OPIS_060|VARCHAR2|60||Y",
                              "+|+|CENA_060|NUMBER|9|2|Y",
                              "+|+|KOLI_060|NUMBER|8|0|Y",
                              "+|+|DATUM060|DATE|19||Y",
                              "+|+|OPOMB060|VARCHAR2|2000||Y",
                              "+| |STAT_060|VARCHAR2|1||Y",
                              " | |DATUMIPL|DATE|19||Y",
                              " | |USER_IPL|VARCHAR2|30||Y",
                          }));
    EXPECT_EQ(f.meKljuc->toPlainText(), "CODE_060 VARCHAR2");
    EXPECT_EQ(f.cbAuto->currentText(), "SIFRA060");
    EXPECT_EQ(f.cbAuto->count(), 10);
    EXPECT_EQ(f.meAuto->toPlainText(), "begin\n:naslednji:=\n   tavo.getSequence('KA060AK0');\nend;");
    EXPECT_FALSE(f.meAuto->isHidden());
    EXPECT_FALSE(f.lbAuto->isHidden());
}

TEST_F(Editors, GeneralEditorAutoCandidateAndReplicationMode)
{
    TfmNastavi f(ctx);
    EXPECT_EQ(f.cbUpor->currentText(), "");

    // The key is the first column, which is the auto candidate: no auto column.
    chooseTable(f, QStringLiteral("tavo"), QStringLiteral("KA061AK0"));
    EXPECT_EQ(f.meKljuc->toPlainText(), "SIFRA061 NUMBER");
    EXPECT_EQ(f.cbAuto->currentText(), "");
    EXPECT_TRUE(f.meAuto->isHidden());
    EXPECT_EQ(grid(f, 3), (QStringList{"PR|UPD|Kolona", " | |SIFRA061", "+|+|OPIS_061"}));

    // No digit before the name's last character: neither SIFRA061 nor STAT_061
    // is treated specially.
    f.cbTabele->setEditText(QStringLiteral("ABCDEFG1"));
    EXPECT_EQ(grid(f, 3), (QStringList{"PR|UPD|Kolona", "+|+|SIFRA061", "+|+|STAT_061"}));
    EXPECT_EQ(f.cbAuto->currentText(), "");

    // A name the dictionary does not know leaves only the header row.
    f.cbTabele->setEditText(QStringLiteral("NI_TAKE"));
    EXPECT_EQ(f.sgCol->rowCount(), 1);

    // Replication mode marks the replication and status columns too.
    ctx.currReplikacija = true;
    f.cbTabele->setEditText(QStringLiteral("KA060AK0"));
    const QStringList g = grid(f, 3);
    EXPECT_TRUE(g.contains("+|+|STAT_060"));
    EXPECT_TRUE(g.contains("+|+|DATUMIPL"));
    EXPECT_TRUE(g.contains("+|+|USER_IPL"));
    EXPECT_TRUE(g.contains(" | |SIFRA060"));
}

TEST_F(Editors, GridMarksToggle)
{
    TfmNastavi f(ctx);
    chooseTable(f, QStringLiteral("TAVO"), QStringLiteral("KA061AK0"));
    struct Case {
        const char *name;
        QString pr, upd;  // row 1 before
        int col;          // clicked column
        QString wantPr, wantUpd;
    };
    const Case cases[] = {
        {"mark PR", " ", " ", TfmNastavi::colPR, "+", " "},
        {"unmark PR unmarks UPD", "+", "+", TfmNastavi::colPR, " ", " "},
        {"mark UPD marks PR", " ", " ", TfmNastavi::colUPD, "+", "+"},
        {"unmark UPD keeps PR", "+", "+", TfmNastavi::colUPD, "+", " "},
        {"other column changes nothing", "+", " ", TfmNastavi::colKolona, "+", " "},
    };
    for (const Case &c : cases) {
        f.nastaviCelico(1, TfmNastavi::colPR, c.pr);
        f.nastaviCelico(1, TfmNastavi::colUPD, c.upd);
        f.sgColClick(1, c.col);
        EXPECT_EQ(f.celica(1, TfmNastavi::colPR), c.wantPr) << c.name;
        EXPECT_EQ(f.celica(1, TfmNastavi::colUPD), c.wantUpd) << c.name;
    }
    // The header row never toggles.
    f.sgColClick(0, TfmNastavi::colPR);
    EXPECT_EQ(f.celica(0, TfmNastavi::colPR), "PR");
}

TEST_F(Editors, AutoColumnInTheKeyIsRefused)
{
    TfmNastavi f(ctx);
    chooseTable(f, QStringLiteral("TAVO"), QStringLiteral("KA060AK0"));
    f.cbAuto->setEditText(QStringLiteral("CODE_060"));
    f.cbAutoExit();
    EXPECT_EQ(ui.messages, QStringList{"Polje za automatsko številčenje ne sme biti v ključu !"});
    EXPECT_EQ(f.cbAuto->currentText(), "");
    EXPECT_TRUE(f.meAuto->isHidden());

    // A name outside the key stays.
    ui.messages.clear();
    f.cbAuto->setEditText(QStringLiteral("SIFRA060"));
    f.cbAutoExit();
    EXPECT_TRUE(ui.messages.isEmpty());
    EXPECT_EQ(f.cbAuto->currentText(), "SIFRA060");
    EXPECT_FALSE(f.meAuto->isHidden());
}

TEST_F(Editors, GeneralEditorWritesTheStructureAndItsDbf)
{
    TfmNastavi f(ctx);
    chooseTable(f, QStringLiteral("TAVO"), QStringLiteral("KA060AK0"));
    // The key column is transferred and never updated, whatever the grid says.
    f.sgColClick(2, TfmNastavi::colPR);
    ASSERT_EQ(f.celica(2, TfmNastavi::colKolona), "CODE_060");
    ASSERT_EQ(f.celica(2, TfmNastavi::colPR), " ");

    f.btPripraviClick();
    EXPECT_EQ(f.pcStruktura->currentWidget(), f.tsPregled);
    const QStringList expected{
        "TABELA=TAVO.KA060AK0",
        "KLJUC=CODE_060 VARCHAR2",
        "AUTO=SIFRA060 begin:naslednji:=   tavo.getSequence('KA060AK0');end;",
        "STRUKTURA",
        "CODE_060,,VARCHAR2,10,,,,",
        "OPIS_060,U,VARCHAR2,60,,,,",
        "CENA_060,U,NUMBER,9,2,,,",
        "KOLI_060,U,INTEGER,8,0,,,",
        "DATUM060,U,DATE,19,,,,",
        "OPOMB060,U,VARCHAR2,2000,,,,",
        "STAT_060,,VARCHAR2,1,,,,",
    };
    EXPECT_EQ(f.meStr->toPlainText(), expected.join(u'\n'));
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join(u'\n').toStdString();

    // Saved into another folder: that folder becomes the save directory and
    // holds the text (CR LF) and the DBF.
    const QString druga = env.path(QStringLiteral("drugje"));
    QDir().mkpath(druga);
    f.izberiDatoteko = chooser(druga + QStringLiteral("/KA060AK0.str"));
    f.btShraniClick();
    EXPECT_EQ(asked, QStringList{"save Strukture|*.str str saveDir KA060AK0"});
    EXPECT_EQ(QDir::cleanPath(ctx.currSaveDir), QDir::cleanPath(druga));
    EXPECT_EQ(fileBytes(druga + QStringLiteral("/KA060AK0.str")),
              moxtext::toCp1250(expected.join(moxtext::crlf) + moxtext::crlf));
    EXPECT_EQ(dbfFields(druga + QStringLiteral("/KA060AK0")),
              (QStringList{"POPRAVI C 1", "CODE_060 C 10", "OPIS_060 C 60", "CENA_060 C 11", "KOLI_060 C 9",
                           "DATUM060 C 19", "OPOMB060 M 10", "STAT_060 C 1"}));
}

TEST_F(Editors, CancellingTheSaveStillCreatesTheDbf)
{
    TfmNastavi f(ctx);
    chooseTable(f, QStringLiteral("TAVO"), QStringLiteral("KA061AK0"));
    f.sgColClick(1, TfmNastavi::colPR); // SIFRA061 is transferred after all
    f.btPripraviClick();
    f.izberiDatoteko = chooser(QString());
    f.btShraniClick();
    EXPECT_EQ(asked.size(), 1);
    EXPECT_TRUE(QDir(ctx.currSaveDir).entryList({"*.str"}).isEmpty());
    EXPECT_EQ(dbfFields(ctx.currSaveDir + QStringLiteral("KA061AK0")),
              (QStringList{"POPRAVI C 1", "SIFRA061 C 11", "OPIS_061 C 20"}));
}

TEST_F(Editors, ReferenceColumnsAreCheckedAgainstTheirDbf)
{
    // SIF_M: a master/detail DBF with the key and code fields.
    ASSERT_TRUE(kreirajDBF(ctx, ctx.currSaveDir + QStringLiteral("SIF_M"),
                           {{"SIFRA060", "C", 10, 0}, {"CODE_M", "C", 10, 0}}, 2));
    TfmNastavi f(ctx);
    chooseTable(f, QStringLiteral("TAVO"), QStringLiteral("KA060AK0"));
    // CODE_060 names a present DBF with a field it lacks; KOLI_060 a DBF that
    // is not there.
    f.nastaviCelico(2, TfmNastavi::colOdvKolona, QStringLiteral("CODE_M"));
    f.nastaviCelico(2, TfmNastavi::colOdvTabela, QStringLiteral("SIF_M"));
    f.nastaviCelico(5, TfmNastavi::colOdvKolona, QStringLiteral("CODE_X"));
    f.nastaviCelico(5, TfmNastavi::colOdvTabela, QStringLiteral("NI_DBF"));
    f.btPripraviClick();
    ASSERT_EQ(ui.messages.size(), 3) << ui.messages.join(u'\n').toStdString();
    EXPECT_EQ(ui.messages[0], "MASTER/DETAIL    polje CODE_060 NE OBSTAJA!");
    EXPECT_TRUE(ui.messages[1].startsWith("NE MOREM ODPRETI tabele: NI_DBF napaka: "));
    EXPECT_EQ(ui.messages[2], "Pripravi tabelo NI_DBF s poljem CODE_X");
    EXPECT_EQ(f.prMastStr, (QStringList{"SIF_M", "NI_DBF"}));
    EXPECT_TRUE(f.meStr->toPlainText().contains("\nCODE_060,,VARCHAR2,10,,,CODE_M,SIF_M\n"));
    EXPECT_TRUE(f.meStr->toPlainText().contains("\nKOLI_060,U,INTEGER,8,0,,CODE_X,NI_DBF\n"));

    // Saving warns about the DBF still to be made, and saves all the same.
    ui.messages.clear();
    f.izberiDatoteko = chooser(ctx.currSaveDir + QStringLiteral("KA060AK0.str"));
    f.btShraniClick();
    EXPECT_EQ(ui.messages, QStringList{"OPOZORILO :\r\n\r\nPotrebno je kreirati Master/Detail tabele :\r\n\r\n"
                                       "NI_DBF\r\n\r\n"});
    EXPECT_TRUE(QFileInfo::exists(ctx.currSaveDir + QStringLiteral("KA060AK0.str")));
}

TEST_F(Editors, MoreThanTwentyReferenceRowsWarn)
{
    ASSERT_TRUE(kreirajDBF(ctx, ctx.currSaveDir + QStringLiteral("REF"), {{"CODE_R", "C", 10, 0}}, 1));
    for (const int rows : {20, 21}) {
        ui.messages.clear();
        TfmNastavi f(ctx);
        {
            const QSignalBlocker zaklep(f.cbTabele);
            f.cbUpor->setEditText(QStringLiteral("TAVO"));
            f.cbTabele->setEditText(QStringLiteral("KA060AK0"));
        }
        f.meKljuc->setPlainText(QStringLiteral("CODE_R VARCHAR2"));
        f.sgCol->setRowCount(rows + 1);
        for (int r = 1; r <= rows; ++r) {
            f.nastaviCelico(r, TfmNastavi::colPR, QStringLiteral("+"));
            f.nastaviCelico(r, TfmNastavi::colKolona, QStringLiteral("CODE_R"));
            f.nastaviCelico(r, TfmNastavi::colTip, QStringLiteral("VARCHAR2"));
            f.nastaviCelico(r, TfmNastavi::colDol, QStringLiteral("10"));
            f.nastaviCelico(r, TfmNastavi::colOdvKolona, QStringLiteral("CODE_R"));
            f.nastaviCelico(r, TfmNastavi::colOdvTabela, QStringLiteral("REF"));
        }
        f.btPripraviClick();
        EXPECT_EQ(ui.messages.contains("PREVEČ MASTER/DETAIL polj (>20)"), rows > 20) << rows;
        EXPECT_EQ(ui.messages.size(), rows > 20 ? 1 : 0) << ui.messages.join(u'\n').toStdString();
    }
}

TEST_F(Editors, OpeningAStructureFileFillsTheGrid)
{
    const QString druga = env.path(QStringLiteral("drugje"));
    QDir().mkpath(druga);
    const QString pot = druga + QStringLiteral("/KA060AK0.str");
    moxtext::writeTextLines(pot, {"TABELA=TAVO.KA060AK0", "KLJUC=CODE_060 VARCHAR2",
                                  "AUTO=SIFRA060 begin:naslednji:=tavo.getSequence('KA060AK0');end;", "STRUKTURA",
                                  "CODE_060,,VARCHAR2,10,,,,", "CENA_060,U,NUMBER,9,2,,,",
                                  "KOLI_060,U,INTEGER,8,,,SIFRA061,KA061AK0", "DATUM060,U,DATE,19,,,,"});
    QCheckBox cbDetail;
    cbDetail.setChecked(true);
    TfmNastavi f(ctx, nullptr, &cbDetail);
    f.izberiDatoteko = chooser(pot);
    f.spOpenFileClick();
    EXPECT_EQ(asked, QStringList{"open Strukture|*.str STR saveDir "});
    EXPECT_EQ(f.edStrFile->text(), pot);
    EXPECT_EQ(QDir::cleanPath(ctx.currSaveDir), QDir::cleanPath(druga));
    EXPECT_EQ(f.cbUpor->currentText(), "TAVO");
    EXPECT_EQ(f.trenUser, "TAVO");
    EXPECT_EQ(f.cbTabele->currentText(), "KA060AK0");
    EXPECT_EQ(f.meKljuc->toPlainText(), "CODE_060 VARCHAR2");
    EXPECT_EQ(f.cbAuto->currentText(), "SIFRA060");
    EXPECT_EQ(f.meAuto->toPlainText(), "BEGIN:NASLEDNJI:=TAVO.GETSEQUENCE('KA060AK0');END;");
    EXPECT_FALSE(f.meAuto->isHidden());
    EXPECT_EQ(grid(f, 9), (QStringList{
                              "PR|UPD|Kolona|Tip|Dol|Dec|Null|odv-kolona|odv-tabela",
                              "+| |CODE_060|VARCHAR2|10||||",
                              "+|+|CENA_060|NUMBER|9|2|||",
                              "+|+|KOLI_060|INTEGER|8|||SIFRA061|KA061AK0",
                              "+|+|DATUM060|DATE|19||||",
                          }));
    EXPECT_EQ(ctx.meDyn.size(), 8);
    EXPECT_TRUE(f.meStr->toPlainText().startsWith("TABELA=TAVO.KA060AK0\nKLJUC="));
    EXPECT_FALSE(cbDetail.isChecked());
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join(u'\n').toStdString();

    // A file with a column the table lacks still fills the grid (after the message).
    const QString slaba = druga + QStringLiteral("/SLABA.MST");
    moxtext::writeTextLines(slaba, {"TABELA=TAVO.KA061AK0", "STRUKTURA", "OPIS_061,U,VARCHAR2,20,,,,",
                                    "NI_POLJA,,VARCHAR2,5,,,,"});
    f.izberiDatoteko = chooser(slaba);
    f.spOpenFileClick();
    EXPECT_EQ(ui.messages, QStringList{"TAVO.KA061AK0  polje: NI_POLJA  NE OBSTAJA!"});
    EXPECT_EQ(grid(f, 3), (QStringList{"PR|UPD|Kolona", "+|+|OPIS_061", "+| |NI_POLJA"}));
    EXPECT_EQ(f.meKljuc->toPlainText(), "");
    EXPECT_EQ(f.cbAuto->currentText(), "");
    EXPECT_TRUE(cbDetail.isChecked());

    // A cancelled dialog changes nothing.
    f.izberiDatoteko = chooser(QString());
    f.spOpenFileClick();
    EXPECT_EQ(f.edStrFile->text(), slaba);
}

TEST_F(Editors, MasterDetailEditorWritesMstAndDbfWithDates)
{
    ctx.currOwner = QStringLiteral("TAVO"); // not taken by this editor
    TfmNastMast f(ctx);
    EXPECT_EQ(f.windowTitle(), "Nastavi strukturo prenosa za Master/Detail");
    EXPECT_EQ(f.cbUpor->currentText(), "");
    EXPECT_EQ(grid(f, 6), QStringList{"PR|UPD|Kolona|Tip|Dol|Dec"});

    // The owner is kept at every change.
    f.cbUpor->setEditText(QStringLiteral("tavo"));
    EXPECT_EQ(f.trenUser, "tavo");
    f.cbUporExit();
    EXPECT_EQ(f.trenUser, "TAVO");
    f.cbTabeleEnter();
    f.cbTabele->setEditText(QStringLiteral("KA060AK0"));
    // The numbered key is exported by default: the lookups find codes by it.
    EXPECT_EQ(grid(f, 6), (QStringList{
                              "PR|UPD|Kolona|Tip|Dol|Dec",
                              "+| |SIFRA060|NUMBER|10|0",
                              "+|+|CODE_060|VARCHAR2|10|",
                              "+|+|OPIS_060|VARCHAR2|60|",
                              "+|+|CENA_060|NUMBER|9|2",
                              "+|+|KOLI_060|NUMBER|8|0",
                              "+|+|DATUM060|DATE|10|",
                              "+|+|OPOMB060|VARCHAR2|2000|",
                              "+|+|STAT_060|VARCHAR2|1|",
                              " | |DATUMIPL|DATE|10|",
                              " | |USER_IPL|VARCHAR2|30|",
                          }));
    // The code is not updated.
    f.sgColClick(2, TfmNastMast::colUPD);
    f.btPripraviClick();
    EXPECT_EQ(f.pcStruktura->currentWidget(), f.tsPregled);
    const QStringList expected{
        "TABELA=TAVO.KA060AK0",        "STRUKTURA",
        "SIFRA060,,INTEGER,10,,,,",    "CODE_060,,VARCHAR2,10,,,,",
        "OPIS_060,U,VARCHAR2,60,,,,",  "CENA_060,U,NUMBER,9,,,,",
        "KOLI_060,U,INTEGER,8,,,,",    "DATUM060,U,DATE,10,,,,",
        "OPOMB060,U,VARCHAR2,2000,,,,", "STAT_060,U,VARCHAR2,1,,,,",
    };
    EXPECT_EQ(f.meStr->toPlainText(), expected.join(u'\n'));

    f.izberiDatoteko = chooser(ctx.currSaveDir + QStringLiteral("KA060AK0.mst"));
    f.btShraniClick();
    EXPECT_EQ(asked, QStringList{"save Strukture Master/Detail|*.mst mst saveDir KA060AK0"});
    EXPECT_EQ(fileBytes(ctx.currSaveDir + QStringLiteral("KA060AK0.mst")),
              moxtext::toCp1250(expected.join(moxtext::crlf) + moxtext::crlf));
    EXPECT_EQ(dbfFields(ctx.currSaveDir + QStringLiteral("KA060AK0")),
              (QStringList{"SIFRA060 C 11", "CODE_060 C 10", "OPIS_060 C 60", "CENA_060 C 11", "KOLI_060 C 9",
                           "DATUM060 D 8", "OPOMB060 M 10", "STAT_060 C 1"}));
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join(u'\n').toStdString();
}

TEST_F(Editors, MasterDetailEditorOpensAnMstFile)
{
    const QString pot = ctx.currSaveDir + QStringLiteral("KA060AK0.mst");
    moxtext::writeTextLines(pot, {"TABELA=TAVO.KA060AK0", "STRUKTURA", "SIFRA060,,INTEGER,10,,,,",
                                  "CODE_060,,VARCHAR2,10,,,,", "DATUM060,U,DATE,10,,,,"});
    QCheckBox cbDetail;
    cbDetail.setChecked(false);
    TfmNastMast f(ctx);
    f.izberiDatoteko = chooser(pot);
    f.spOpenFileClick();
    EXPECT_EQ(asked, QStringList{"open Strukture Master/Detail|*.mst MST saveDir "});
    EXPECT_EQ(f.cbTabele->currentText(), "KA060AK0");
    EXPECT_EQ(grid(f, 6), (QStringList{"PR|UPD|Kolona|Tip|Dol|Dec", "+| |SIFRA060|INTEGER|10|",
                                       "+| |CODE_060|VARCHAR2|10|", "+|+|DATUM060|DATE|10|"}));
    // Written back unchanged.
    f.btPripraviClick();
    EXPECT_EQ(f.meStr->toPlainText(), "TABELA=TAVO.KA060AK0\nSTRUKTURA\nSIFRA060,,INTEGER,10,,,,\n"
                                      "CODE_060,,VARCHAR2,10,,,,\nDATUM060,U,DATE,10,,,,");
}

TEST_F(Editors, ReplicationModeSavesAtOnce)
{
    ctx.currReplikacija = true;
    TfmNastMast f(ctx);
    f.cbUpor->setEditText(QStringLiteral("TAVO"));
    f.cbTabele->setEditText(QStringLiteral("KA061AK0"));
    f.izberiDatoteko = chooser(ctx.currSaveDir + QStringLiteral("KA061AK0.mst"));
    f.btPripraviClick();
    EXPECT_EQ(asked.size(), 1);
    EXPECT_TRUE(QFileInfo::exists(ctx.currSaveDir + QStringLiteral("KA061AK0.mst")));
    EXPECT_EQ(dbfFields(ctx.currSaveDir + QStringLiteral("KA061AK0")).mid(1), QStringList{"OPIS_061 C 20"});
    EXPECT_TRUE(dbfFields(ctx.currSaveDir + QStringLiteral("KA061AK0")).value(0).startsWith("SIFRA061 C "));
}

TEST_F(Editors, UnconstrainedNumbersStayNumbers)
{
    exec({"create table KA062AK0 (SIFRA062 NUMBER(10), CODE_062 VARCHAR2(10), VRED_062 NUMBER, CELO_062 NUMBER(*,0))"});
    TfmNastavi f(ctx);
    chooseTable(f, QStringLiteral("TAVO"), QStringLiteral("KA062AK0"));
    f.btPripraviClick();
    const QString besedilo = f.meStr->toPlainText();
    // No precision and no scale: any value, decimals included, so NUMBER.
    EXPECT_TRUE(besedilo.contains("\nVRED_062,U,NUMBER,22,,,,\n")) << besedilo.toStdString();
    // A scale of 0 holds whole numbers only.
    EXPECT_TRUE(besedilo.contains("\nCELO_062,U,INTEGER,22,0,,,")) << besedilo.toStdString();

    // Opened and written again, the column stays NUMBER.
    const QString pot = ctx.currSaveDir + QStringLiteral("KA062AK0.str");
    moxtext::writeTextLines(pot, f.meStr->toPlainText().split(u'\n'));
    TfmNastavi g(ctx);
    g.izberiDatoteko = chooser(pot);
    g.spOpenFileClick();
    g.btPripraviClick();
    EXPECT_TRUE(g.meStr->toPlainText().contains("\nVRED_062,U,NUMBER,22,,,,")) << g.meStr->toPlainText().toStdString();
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join(u'\n').toStdString();
}

TEST_F(Editors, TextsTheTransfersCannotUseAreRefused)
{
    // The general editor without a key: the refresh could not find a row.
    TfmNastavi f(ctx);
    chooseTable(f, QStringLiteral("TAVO"), QStringLiteral("KA060AK0"));
    f.meKljuc->clear();
    f.btPripravi->click();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.messages[0].contains("KLJUC")) << ui.messages[0].toStdString();
    EXPECT_EQ(f.pcStruktura->currentWidget(), f.tsNastavitve);
    EXPECT_TRUE(f.meStr->toPlainText().isEmpty());

    // A reference table that names a path.
    ui.messages.clear();
    f.meKljuc->setPlainText(QStringLiteral("CODE_060 VARCHAR2"));
    f.nastaviCelico(5, TfmNastavi::colOdvKolona, QStringLiteral("CODE_X"));
    f.nastaviCelico(5, TfmNastavi::colOdvTabela, QStringLiteral("../KA061AK0"));
    f.btPripravi->click();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.messages[0].contains("../KA061AK0")) << ui.messages[0].toStdString();

    // A width no column has, typed into the grid.
    ui.messages.clear();
    f.nastaviCelico(5, TfmNastavi::colOdvTabela, QString());
    f.nastaviCelico(5, TfmNastavi::colOdvKolona, QString());
    f.nastaviCelico(3, TfmNastavi::colDol, QStringLiteral("2147483647"));
    f.btPripravi->click();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.messages[0].contains("dolžina 2147483647")) << ui.messages[0].toStdString();
    EXPECT_TRUE(f.prAStr.isEmpty());

    // The review text edited into one without columns is neither saved nor
    // given a DBF.
    ui.messages.clear();
    f.nastaviCelico(3, TfmNastavi::colDol, QStringLiteral("60"));
    f.btPripravi->click();
    ASSERT_TRUE(ui.messages.isEmpty()) << ui.messages.join(u'\n').toStdString();
    f.meStr->setPlainText(QStringLiteral("TABELA=TAVO.KA060AK0\nKLJUC=CODE_060 VARCHAR2\nSTRUKTURA\n"));
    f.izberiDatoteko = chooser(ctx.currSaveDir + QStringLiteral("KA060AK0.str"));
    f.btShrani->click();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.messages[0].contains("stolpca")) << ui.messages[0].toStdString();
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_TRUE(QDir(ctx.currSaveDir).entryList(QDir::Files).isEmpty());

    // The master/detail editor with no column chosen.
    ui.messages.clear();
    TfmNastMast m(ctx);
    m.cbUpor->setEditText(QStringLiteral("TAVO"));
    m.cbTabele->setEditText(QStringLiteral("KA061AK0"));
    for (int r = 1; r < m.sgCol->rowCount(); ++r)
        m.nastaviCelico(r, TfmNastMast::colPR, QStringLiteral(" "));
    m.btPripravi->click();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.messages[0].contains("stolpca")) << ui.messages[0].toStdString();
    EXPECT_EQ(m.pcStruktura->currentWidget(), m.tsNastavitve);
}

TEST_F(Editors, AFileTheTransfersCannotUseIsNotOpened)
{
    const QString brez = ctx.currSaveDir + QStringLiteral("BREZ.str");
    moxtext::writeTextLines(brez, {"TABELA=TAVO.KA060AK0", "STRUKTURA", "CODE_060,,VARCHAR2,10,,,,"});
    TfmNastavi f(ctx);
    f.izberiDatoteko = chooser(brez);
    f.spOpenFile->click();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.messages[0].contains("KLJUC")) << ui.messages[0].toStdString();
    EXPECT_TRUE(f.edStrFile->text().isEmpty());
    EXPECT_TRUE(f.meStr->toPlainText().isEmpty());
    EXPECT_EQ(f.sgCol->rowCount(), 1);

    // The same lines as a master/detail file are sound.
    ui.messages.clear();
    const QString mst = ctx.currSaveDir + QStringLiteral("BREZ.mst");
    QFile::copy(brez, mst);
    TfmNastMast m(ctx);
    m.izberiDatoteko = chooser(mst);
    m.spOpenFile->click();
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join(u'\n').toStdString();
    EXPECT_EQ(m.edStrFile->text(), mst);
}

TEST_F(Editors, TheMenuOperationsOpenTheEditors)
{
    TDispatch dispatch;
    QMainWindow okno;
    registerStructureEditors(dispatch, &okno);
    auto *cbDetail = new QCheckBox(&okno);
    cbDetail->setObjectName(QStringLiteral("cbDetail"));
    okno.show();
    for (const char *op : {moxshellops::urediStrukturo, moxshellops::urediMasterDetail}) {
        ASSERT_TRUE(dispatch.run(ctx, QString::fromLatin1(op)));
    }
    auto *nastavi = okno.findChild<TfmNastavi *>(QStringLiteral("fmNastavi"));
    auto *mast = okno.findChild<TfmNastMast *>(QStringLiteral("fmNastMast"));
    ASSERT_TRUE(nastavi);
    ASSERT_TRUE(mast);
    EXPECT_TRUE(nastavi->isVisible());
    EXPECT_TRUE(mast->isVisible());
    nastavi->btIzhodClick();
    mast->btIzhod1Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(okno.findChild<TfmNastavi *>());
    EXPECT_FALSE(okno.findChild<TfmNastMast *>());
}
