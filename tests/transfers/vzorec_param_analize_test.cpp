// The demo's sample parameters and analyses: made at both installations from
// the fixtures, prepared and refreshed twice; the second run finds nothing.
#include "../general/roundtrip_support.h"

#include "transfers/analize.h"
#include "transfers/parametri.h"

#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>

using namespace roundtrip;

namespace {

// The statements of a sample module's sql(izvor), one per element.
QStringList vzorec(const QString &modul, bool izvor, QString &napaka)
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty()) {
        napaka = QStringLiteral("python3 is not installed");
        return {};
    }
    QProcess p;
    p.start(python, {QStringLiteral("-c"),
                     QStringLiteral("import sys, json; sys.path.insert(0, sys.argv[1]); import %1 as m; "
                                    "sys.stdout.buffer.write(json.dumps(m.sql(sys.argv[2] == '1')).encode())")
                         .arg(modul),
                     TestEnv::sourceDir() + QStringLiteral("/fixtures/demo"), izvor ? QStringLiteral("1") : QStringLiteral("0")});
    p.waitForFinished(60000);
    if (p.exitCode() != 0) {
        napaka = QString::fromUtf8(p.readAllStandardError());
        return {};
    }
    QStringList stavki;
    const QByteArray json = p.readAllStandardOutput();
    // A JSON list of strings: read with Qt's parser.
    const QVariantList seznam = QJsonDocument::fromJson(json).toVariant().toList();
    for (const QVariant &v : seznam)
        stavki << v.toString();
    return stavki;
}

class Vzorec : public RoundTrip {
protected:
    void naredi(const QString &alias, bool izvor)
    {
        connect(alias);
        TOracleQuery q(&ctx.osOracle);
        for (const char *modul : {"vzorec_param", "vzorec_analizehc"}) {
            QString napaka;
            const QStringList stavki = vzorec(QString::fromLatin1(modul), izvor, napaka);
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

    connect(kIzvoz);
    EXPECT_EQ(stevci(pripraviParametre(ctx, TZahtevaDruzine(), TIzbiraParametrov())), "5/0/0/0 8/0/0/0 2/0/0/0");
    EXPECT_EQ(stevci(pripraviAnalizeHC(ctx, TZahtevaDruzine(), TIzbiraAnaliz())), "4/0/0/0 4/0/0/0");

    connect(kUvoz);
    TIzidDruzine par = osveziParametre(ctx, TZahtevaDruzine());
    EXPECT_EQ(par.status, "N") << par.napaka.toStdString();
    EXPECT_EQ(stevci(par), "5/3/0/0 6/6/0/0 2/2/0/0");
    TIzidDruzine ana = osveziAnalizeHC(ctx, TZahtevaDruzine());
    EXPECT_EQ(ana.status, "N") << ana.napaka.toStdString();
    EXPECT_EQ(stevci(ana), "4/2/1/0 4/2/1/0");
    // The definitions over 4,000 characters arrived whole.
    EXPECT_EQ(rows("select a.code_908,length(x.xml__003) from pr908cxr a, i_xml_x03 x where x.sifrax03=a.sifrax03 "
                   "and length(x.xml__003)>4000 order by 1"),
              "DIA|4959,POR|6649");

    par = osveziParametre(ctx, TZahtevaDruzine());
    EXPECT_EQ(stevci(par), "5/0/0/0 0/0/0/0 0/0/0/0");
    ana = osveziAnalizeHC(ctx, TZahtevaDruzine());
    EXPECT_EQ(stevci(ana), "4/0/0/0 4/0/0/0");
}
