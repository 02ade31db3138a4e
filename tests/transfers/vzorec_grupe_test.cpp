// The demo's sample groups and activities: made at both installations from
// the fixture, prepared with the sample's settings text and refreshed twice;
// the second run finds nothing new and removes nothing.
#include "general/roundtrip_support.h"

#include "base/paths.h"
#include "base/text.h"
#include "transfers/grupe.h"
#include "transfers/grupe_nastavitve.h"

#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>

using namespace roundtrip;

namespace {

// What a function of the sample module returns (a list of texts).
QStringList izVzorca(const QString &klic, QString &napaka)
{
    QProcess p;
    p.start(QStandardPaths::findExecutable(QStringLiteral("python3")),
            {QStringLiteral("-c"),
             QStringLiteral("import sys, json; sys.path.insert(0, sys.argv[1]); import vzorec_grupe as m; "
                            "sys.stdout.buffer.write(json.dumps(m.%1).encode())")
                 .arg(klic),
             TestEnv::sourceDir() + QStringLiteral("/fixtures/demo")});
    p.waitForFinished(60000);
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        napaka = QString::fromUtf8(p.readAllStandardError());
        return {};
    }
    return QJsonDocument::fromJson(p.readAllStandardOutput()).toVariant().toStringList();
}

class VzorecGrup : public RoundTrip {
protected:
    void naredi(const QString &alias, bool izvor)
    {
        connect(alias);
        QString napaka;
        const QStringList stavki = izVzorca(izvor ? QStringLiteral("sql(True)") : QStringLiteral("sql(False)"), napaka);
        ASSERT_TRUE(napaka.isEmpty()) << napaka.toStdString();
        ASSERT_FALSE(stavki.isEmpty());
        TOracleQuery q(&ctx.osOracle);
        for (const QString &s : stavki) {
            q.Clear();
            q.SQL << s;
            q.Execute();
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

TEST_F(VzorecGrup, SecondRefreshFindsNothingNewAndRemovesNothing)
{
    if (QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty())
        GTEST_SKIP() << "python3 is not installed";
    QString napaka;
    const QStringList nastavitve = izVzorca(QStringLiteral("nastavitve()"), napaka);
    ASSERT_TRUE(napaka.isEmpty()) << napaka.toStdString();

    naredi(kIzvoz, true);
    ctx.p_autoPrepare = true;
    ASSERT_EQ(pripraviGrupe(ctx, TZahtevaDruzine(), nastavitve).status, "N");
    EXPECT_EQ(dbfRows(ctx.currSaveDir + "xgk61grp", {"CODE_061"}), "YLAB,YAMB");

    naredi(kUvoz, false);
    moxtext::writeTextLines(datotekaNastavitevGrup(ctx.currSaveDir), nastavitve);
    ctx.pAutomatika = true;
    TIzidDruzine izid = osveziGrupe(ctx, TZahtevaDruzine());
    EXPECT_EQ(izid.status, "N") << izid.napaka.toStdString();
    // Passes: KA061GRP KA060AK0 PO061GRP PO061SPG KA055HC0 PO065HC0 PO055SHC KA062NHC KA055LAB KA062NHH.
    EXPECT_EQ(stevci(izid), "2/1/1/0 3/2/0/0 4/3/0/0 2/2/0/0 3/2/1/0 1/1/0/0 3/3/0/0 2/2/0/0 1/1/0/0 1/1/0/0");
    const QString povzetek = moxtext::readTextLines(izid.rezultatnaDatoteka).join('\n');
    for (const char *l : {"PO061GRP YLAB YA9", "PO061SPG YLAB YKIR", "PO065HC0 YLAB YHC9"})
        EXPECT_TRUE(povzetek.contains(QString::fromUtf8(l))) << l;

    izid = osveziGrupe(ctx, TZahtevaDruzine());
    EXPECT_EQ(izid.status, "N") << izid.napaka.toStdString();
    EXPECT_EQ(stevci(izid), "2/0/0/0 3/0/0/0 4/0/0/0 2/0/0/0 3/0/3/0 1/0/0/0 3/0/0/0 2/0/0/0 1/0/0/0 1/0/0/0");
    EXPECT_FALSE(moxtext::readTextLines(izid.rezultatnaDatoteka).join('\n').contains("Odstranjene"));
}

} // namespace
