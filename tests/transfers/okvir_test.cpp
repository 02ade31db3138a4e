// The refresh frame of the fixed-layout families without a database: a small
// DBF read by a body that reports new, corrected and failed records, and the
// closing steps the families share.
#include "dbf/apollo.h"
#include "run/dbfops.h"
#include "log/runlog.h"
#include "run/context.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "base/text.h"
#include "support/testenv.h"
#include "transfers/okvir.h"

#include <QDate>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

class RecordingUi : public TInteraction {
public:
    QStringList messages, questions;
    int answer = mrYes;
    int pokaziSporocilo(const QString &text, TMsgDlgType, TMsgDlgButtons, int) override
    {
        questions << text;
        return answer;
    }
    void showMessage(const QString &text) override { messages << text; }
    void processEvents() override {}
};

class Okvir : public ::testing::Test {
protected:
    void SetUp() override
    {
        QDir().mkpath(env.path(QStringLiteral("save")));
        QDir().mkpath(env.path(QStringLiteral("log")));
        ctx.currSaveDir = moxpath::withTrailingSeparator(env.path(QStringLiteral("save")));
        ctx.currDirLog = moxpath::withTrailingSeparator(env.path(QStringLiteral("log")));
        ctx.currUser = QStringLiteral("TAVO");
        ctx.ui = &ui;
        // Records A, B, C, D of the file X.
        TApolloDataSet t;
        ASSERT_TRUE(kreirajDBF(t, ctx.currSaveDir + QStringLiteral("X"), {{QStringLiteral("K"), QStringLiteral("C"), 5, 0}},
                               1, ui));
        t.Close();
        t.TableName = ctx.currSaveDir + QStringLiteral("X");
        t.Open();
        for (const char *k : {"A", "B", "C", "D"}) {
            t.Append();
            t.FieldByName(QStringLiteral("K")).setAsString(QString::fromLatin1(k));
            t.Post();
        }
        t.Close();
    }

    TOpisOkvira opis(bool zPopravki)
    {
        TOpisOkvira o;
        o.vrsta = QStringLiteral("X");
        o.rezultat = QStringLiteral("X.rez");
        o.naslov = QStringLiteral("Naslov");
        o.tabele = {QStringLiteral("TAVO.X1"), QStringLiteral("TAVO.X2")};
        o.zPopravki = zPopravki;
        o.obvestiloNapake = QStringLiteral("NAPAKA pri X!");
        o.obvestiloVedno = !zPopravki;
        o.zakljucekPreverjanja = QStringLiteral("Konec preverjanja X ");
        o.zakljucekOsvezevanja = QStringLiteral("Konec osveževanja X ");
        o.konecSporocilo = QStringLiteral("Konec X!");
        return o;
    }

    // Pass 0 reads X: A new, B corrected, C fails; pass 1 reads X again.
    TIzidDruzine izvedi(bool zPopravki, const std::function<void(TOkvirOsvezevanja &)> &dodatno = {})
    {
        TApolloDataSet t;
        TOkvirOsvezevanja okvir(ctx, zahteva, &napredek, opis(zPopravki));
        return okvir.izvedi([&](TOkvirOsvezevanja &o) {
            o.preveriDatoteke({QStringLiteral("X.dbf")});
            o.odpriDBF(t, QStringLiteral("X"));
            o.prehod(0, t, [&] {
                const QString k = t.FieldByName(QStringLiteral("K")).AsString();
                if (k == QStringLiteral("A"))
                    o.novo(0, QStringLiteral("NOVO: A"));
                else if (k == QStringLiteral("B"))
                    o.popravek(0, {QStringLiteral("POPR: B"), QStringLiteral("   staro:1  novo:2")});
                else if (k == QStringLiteral("C"))
                    o.napaka(0, QStringLiteral("NAPAKA: C"), QStringLiteral("ORA-00001: unique\nconstraint"));
            });
            t.First();
            o.prehod(1, t, [] {});
            if (dodatno)
                dodatno(o);
        });
    }
    QStringList rezultat() { return moxtext::readTextLines(ctx.currSaveDir + QStringLiteral("rezultati/X.rez")); }
    QStringList log()
    {
        const QStringList l = moxtext::readTextLines(imeLogDatoteke(ctx));
        return l.mid(l.size() - 2);
    }

    TestEnv env;
    RecordingUi ui;
    TMoxContext ctx;
    TZahtevaDruzine zahteva;
    TNapredekDruzine napredek;
};

TEST_F(Okvir, CountsListsAndClosesARunWithAnError)
{
    QStringList pregled;
    napredek.prikaziRezultat = [&](const QString &z, const QString &) { pregled << z; };
    const TIzidDruzine izid = izvedi(true);
    EXPECT_EQ(izid.status, QStringLiteral("D"));
    ASSERT_EQ(izid.prehodi.size(), 2);
    EXPECT_EQ(izid.prehodi[0].prebranih, 4);
    EXPECT_EQ(izid.prehodi[0].novih, 1);
    EXPECT_EQ(izid.prehodi[0].popravkov, 1);
    EXPECT_EQ(izid.prehodi[0].napak, 1);
    EXPECT_EQ(izid.prehodi[1].prebranih, 4);
    EXPECT_EQ(rezultat(), (QStringList{QStringLiteral("Naslov"), QStringLiteral("NOVO: A"), QStringLiteral("POPR: B"),
                                       QStringLiteral("   staro:1  novo:2"), QStringLiteral("NAPAKA: C"),
                                       QStringLiteral("        ORA-00001: unique constraint")}));
    EXPECT_EQ(ui.questions, QStringList{QStringLiteral("NAPAKA \r\nORA-00001: unique\nconstraint")});
    EXPECT_EQ(ui.messages, QStringList{QStringLiteral("NAPAKA pri X!")});
    EXPECT_EQ(pregled, QStringList{QStringLiteral("Konec osveževanja X ")});
    EXPECT_EQ(ctx.pNapakePrenosov, 1);
    EXPECT_EQ(log(), (QStringList{datumBesedilo(QDate::currentDate()) +
                                      QStringLiteral("  REFRESH: TAVO  TAVO.X1  INS:1  UPD:1  ERR:1"),
                                  QString(21, u' ') + QStringLiteral("TAVO  TAVO.X2  INS:  UPD:  ERR:")}));
}

// Families without corrections log no UPD part. An unattended run opens no
// window that would wait for an answer: no error dialog (it goes on), no
// review, no end message; the notice is the result file's last line.
TEST_F(Okvir, UnattendedRunAsksNobody)
{
    ctx.pAutomatika = true;
    QStringList pregled;
    napredek.prikaziRezultat = [&](const QString &z, const QString &) { pregled << z; };
    const TIzidDruzine izid = izvedi(false);
    EXPECT_TRUE(ui.questions.isEmpty());
    EXPECT_TRUE(ui.messages.isEmpty());
    EXPECT_TRUE(pregled.isEmpty());
    EXPECT_EQ(izid.prehodi[1].prebranih, 4);
    EXPECT_EQ(rezultat().last(), QStringLiteral("NAPAKA pri X!"));
    EXPECT_EQ(log(), (QStringList{datumBesedilo(QDate::currentDate()) +
                                      QStringLiteral("  REFRESH: TAVO  TAVO.X1  INS:1  ERR:1"),
                                  QString(21, u' ') + QStringLiteral("TAVO  TAVO.X2  INS:  ERR:")}));
}

TEST_F(Okvir, EarlyEndsAreFailedRunsAndSkipTheFollowingPass)
{
    struct Primer {
        const char *kaj;
        std::function<void()> priprava;
        qint64 prebranihDrugega;
        QString zadnjaVrstica;
    };
    // Ne to the error of C stops the first pass after C; "Prekini" while B
    // is read stops it after B.
    const QList<Primer> primeri = {
        {"Ne", [this] { ui.answer = mrNo; }, 0, QStringLiteral("        ORA-00001: unique constraint")},
        {"Prekini",
         [this] {
             napredek.prikazi = [this](int p, const TStevciPrehoda &s) {
                 if (p == 0 && s.prebranih == 2)
                     ctx.pKonec = true;
             };
         },
         0, QStringLiteral("NAPAKA: Osveževanje je bilo prekinjeno pred koncem datoteke")},
    };
    for (const Primer &p : primeri) {
        ui = RecordingUi();
        napredek = TNapredekDruzine();
        p.priprava();
        const int prej = ctx.pNapakePrenosov;
        const TIzidDruzine izid = izvedi(true);
        EXPECT_EQ(izid.status, QStringLiteral("D")) << p.kaj;
        EXPECT_EQ(izid.prehodi[1].prebranih, p.prebranihDrugega) << p.kaj;
        EXPECT_EQ(rezultat().last(), p.zadnjaVrstica) << p.kaj;
        EXPECT_EQ(ctx.pNapakePrenosov, prej + 1) << p.kaj;
    }

    // An error out of the body ends the run: listed, shown, counted.
    ui = RecordingUi();
    napredek = TNapredekDruzine();
    const TIzidDruzine izid =
        izvedi(true, [](TOkvirOsvezevanja &) { throw EMoxError(QStringLiteral("ORA-03113: konec komunikacije")); });
    EXPECT_EQ(izid.status, QStringLiteral("D"));
    EXPECT_EQ(izid.napaka, QStringLiteral("ORA-03113: konec komunikacije"));
    EXPECT_EQ(rezultat().last(), QStringLiteral("NAPAKA: ORA-03113: konec komunikacije"));
    EXPECT_TRUE(ui.messages.contains(QStringLiteral("ORA-03113: konec komunikacije")));
    // The report lists it as an error of the pass it stopped.
    QFile csv(ctx.currSaveDir + QStringLiteral("rezultati/X.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_TRUE(csv.readAll().endsWith("TAVO.X2;NAPAKA;;;;;ORA-03113: konec komunikacije\r\n"));

    // A missing folder: said, nothing made there.
    ui = RecordingUi();
    zahteva.pot = env.path(QStringLiteral("ni")) + u'/';
    const TIzidDruzine brez = izvedi(true);
    EXPECT_EQ(brez.status, QStringLiteral("D"));
    EXPECT_FALSE(QDir(env.path(QStringLiteral("ni"))).exists());
    EXPECT_EQ(ui.messages.value(0), QStringLiteral("Direktorij ") + zahteva.pot + QStringLiteral(" ne obstaja"));
}

// The report beside the result file: per pass its counts and rows, the key
// being the line without its prefix; a record listed as new whose statement
// failed is not counted as applied.
TEST_F(Okvir, ReportListsEachPassWithItsRowsAndWhatWasApplied)
{
    izvedi(true, [](TOkvirOsvezevanja &o) {
        o.preberi(1);
        o.novo(1, QStringLiteral("NOVO(901): E"));
        o.napaka(1, QStringLiteral("NAPAKA(901): E"), QStringLiteral("ORA-00001: x"));
    });
    QFile csv(ctx.currSaveDir + QStringLiteral("rezultati/X.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_EQ(csv.readAll(), QByteArray("tabela;vrsta;kljuc;stolpec;staro;novo;sporocilo\r\n"
                                        "TAVO.X1;NOVO;A;;;;\r\n"
                                        "TAVO.X1;POPR;B;;;;staro:1  novo:2\r\n"
                                        "TAVO.X1;NAPAKA;C;;;;ORA-00001: unique constraint\r\n"
                                        "TAVO.X2;NOVO;E;;;;\r\n"
                                        "TAVO.X2;NAPAKA;E;;;;ORA-00001: x\r\n"));
    QFile html(ctx.currSaveDir + QStringLiteral("rezultati/X.html"));
    ASSERT_TRUE(html.open(QIODevice::ReadOnly));
    const QByteArray h = html.readAll();
    EXPECT_TRUE(h.contains(";vrsta=osvezevanje;prebranih=9;novih=2;razlicnih=1;uporabljenih=2;napak=2\""));
    EXPECT_TRUE(h.contains("<h2>TAVO.X2</h2>\n<table><tr><th>Prebranih</th><th>Novih</th><th>Različnih</th>"
                           "<th>Uporabljenih</th><th>Napak</th></tr>\n<tr><td class=\"n\">5</td><td class=\"n\">1</td>"
                           "<td class=\"n\">0</td><td class=\"n\">0</td><td class=\"n\">1</td></tr></table>"));
    QFile index(ctx.currSaveDir + QStringLiteral("rezultati/index.html"));
    ASSERT_TRUE(index.open(QIODevice::ReadOnly));
    EXPECT_TRUE(index.readAll().contains("<a href=\"X.html\">Naslov</a>"));
}

TEST_F(Okvir, CheckOnlyWithoutDifferencesShowsTheEndMessage)
{
    zahteva.samoPreverjanje = true;
    TApolloDataSet t;
    TOkvirOsvezevanja okvir(ctx, zahteva, &napredek, opis(true));
    const TIzidDruzine izid = okvir.izvedi([&](TOkvirOsvezevanja &o) {
        EXPECT_TRUE(o.samoPreverjanje());
        o.odpriDBF(t, QStringLiteral("X"));
        o.prehod(0, t, [] {});
    });
    EXPECT_EQ(izid.status, QStringLiteral("N"));
    EXPECT_EQ(ui.messages, QStringList{QStringLiteral("Konec X!")});
    EXPECT_EQ(rezultat(), QStringList{QStringLiteral("Naslov")});
    EXPECT_FALSE(t.Active());
}

// A family that shares its result file with others appends its report.
TEST_F(Okvir, ReportAppendedWhenTheFamilySharesItsFile)
{
    for (int i = 0; i < 2; ++i) {
        TOpisOkvira o = opis(true);
        o.dopisi = true;
        TOkvirOsvezevanja okvir(ctx, zahteva, &napredek, o);
        okvir.izvedi([](TOkvirOsvezevanja &k) { k.vrstica(QStringLiteral("vrstica")); });
    }
    EXPECT_EQ(rezultat(), (QStringList{QStringLiteral("Naslov"), QStringLiteral("vrstica"), QStringLiteral("Naslov"),
                                       QStringLiteral("vrstica")}));
}

} // namespace
