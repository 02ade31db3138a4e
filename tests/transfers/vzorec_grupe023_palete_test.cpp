// The demo's sample groups 023 and pallets: made at both installations from
// the fixtures, prepared with the samples' settings texts and refreshed
// twice; the second run finds nothing new and corrects nothing.
#include "general/roundtrip_support.h"
#include "transfers/izpis.h"

#include "transfers/grupe023.h"
#include "transfers/palete.h"

#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>

using namespace roundtrip;

namespace {

// What a function of a sample module returns (a list of texts).
QStringList izVzorca(const QString &modul, const QString &klic, QString &napaka)
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    QProcess p;
    p.start(python, {QStringLiteral("-c"),
                     QStringLiteral("import sys, json; sys.path.insert(0, sys.argv[1]); import %1 as m; "
                                    "sys.stdout.buffer.write(json.dumps(m.%2).encode())")
                         .arg(modul, klic),
                     TestEnv::sourceDir() + QStringLiteral("/fixtures/demo")});
    p.waitForFinished(60000);
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        napaka = QString::fromUtf8(p.readAllStandardError());
        return {};
    }
    return QJsonDocument::fromJson(p.readAllStandardOutput()).toVariant().toStringList();
}

class Vzorec : public RoundTrip {
protected:
    void naredi(const QString &alias, bool izvor)
    {
        connect(alias);
        TOracleQuery q(&ctx.osOracle);
        for (const char *modul : {"vzorec_palete", "vzorec_grupe023"}) {
            QString napaka;
            const QStringList stavki = izVzorca(QString::fromLatin1(modul),
                                                izvor ? QStringLiteral("sql(True)") : QStringLiteral("sql(False)"), napaka);
            ASSERT_TRUE(napaka.isEmpty()) << napaka.toStdString();
            ASSERT_FALSE(stavki.isEmpty());
            for (const QString &s : stavki) {
                q.Clear();
                q.SQL << s;
                q.Execute();
            }
        }
        ctx.osOracle.Commit();
    }

    static QString stevci(const TIzidDruzine &izid)
    {
        QStringList s;
        for (const TStevciPrehoda &p : izid.prehodi)
            s << QStringLiteral("%1/%2/%3/%4").arg(p.prebranih).arg(p.novih).arg(p.popravkov).arg(p.napak);
        return s.join(u' ');
    }
};

} // namespace

TEST_F(Vzorec, SecondRefreshFindsNothingNew)
{
    if (QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty())
        GTEST_SKIP() << "python3 is not installed";
    naredi(kIzvoz, true);
    naredi(kUvoz, false);

    QString napaka;
    const QStringList nastavitve = izVzorca("vzorec_palete", "nastavitve()", napaka);
    const QStringList seznam = izVzorca("vzorec_grupe023", "seznam()", napaka);
    ASSERT_TRUE(napaka.isEmpty()) << napaka.toStdString();
    connect(kIzvoz);
    EXPECT_EQ(pripraviPalete(ctx, QString(), nastavitve).status, "N");
    EXPECT_EQ(pripraviGrupe023(ctx, QString(), seznam).status, "N");

    connect(kUvoz);
    // Pallets: PAL10 with its service PS10 and its links, and PAL2's missing
    // link; rows that differ stay as they are.
    TIzidDruzine izid = osveziPalete(ctx, TZahtevaDruzine(), nullptr);
    EXPECT_EQ(stevci(izid), "4/1/0/0 8/3/0/0 7/1/0/0");
    EXPECT_EQ(izid.status, "N");
    // Groups 023: Z23URIN new, Z23KRI and its members corrected, Z23SRCE
    // newer at the receiving installation; the inactive member whose HC is
    // missing is an error.
    izid = osveziGrupe023(ctx, TZahtevaDruzine(), nullptr);
    EXPECT_EQ(stevci(izid), "3/1/1/0 5/1/2/1 3/1/1/0");
    EXPECT_EQ(rows("select desc_023 from ka023grp where code_023='Z23KRI'"), "Hematološke preiskave");

    EXPECT_EQ(stevci(osveziPalete(ctx, TZahtevaDruzine(), nullptr)), "4/0/0/0 8/0/0/0 7/0/0/0");
    EXPECT_EQ(stevci(osveziGrupe023(ctx, TZahtevaDruzine(), nullptr)), "3/0/0/0 5/0/0/1 3/0/0/0");
}
