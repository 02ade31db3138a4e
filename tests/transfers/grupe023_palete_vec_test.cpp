// Groups 023 and pallets through their script items, on one embedded database
// that serves two installations (TAVO_A exports, TAVO_B receives) beside the
// plain TAVO schema, which no statement may touch.
#include "transfers/dveinstalaciji.h"

#include "oracle/oracle.h"
#include "run/context.h"
#include "base/paths.h"
#include "base/text.h"
#include "transfers/druzine.h"
#include "transfers/grupe023.h"
#include "transfers/palete.h"

#include <QDir>

namespace {

const char *const kAlias = "G23PALVEC";

class Vec : public TDveInstalaciji {
protected:
    Vec() : TDveInstalaciji(kAlias) {}
};

TEST_F(Vec, ScriptItemsWorkOnTheInstallationServedNow)
{
    const TDruzina *palete = najdiDruzino(QStringLiteral("PALETE"));
    const TDruzina *grupe023 = najdiDruzino(QStringLiteral("GRUPE023"));
    ASSERT_TRUE(palete && palete->pripravi && palete->osvezi);
    ASSERT_TRUE(grupe023 && grupe023->osvezi);

    const QStringList skupno{
        "insert into kr031org (sifra031,code_031,opis_031,stat_031) values (1,'D1','Kirurgija','1')",
        "insert into pr170dk0 (sifra170,code_170,opis_170,stat_170) values (1,'DDV22','Splošna','1')",
        "insert into ka055hc0 (sifra055,code_055,desc_055,stat_055) values (1,'HC1','Krvna slika','1')"};
    streze(QStringLiteral("TAVO_A"));
    exec(skupno + QStringList{
        "insert into ka011nhc (sifra011,code_011,opis_011,sifra170,stat_011) values (1,'S1','Posvet',1,'1')",
        "insert into ka116pal (sifra116,code_116,desc_116,serv_116,stat_116,sifra031) values (1,'P1','Osnovna','D','1',1)",
        "insert into po116nhc (idpo_116,sifra116,sifra011) values (1,1,1)",
        "insert into ka023grp (sifra023,code_023,desc_023,stat_023,datumipl) values (1,'G1','Kri','1',sysdate)",
        "insert into po011hc0 (idpo_011,sifra023,sifra055,ordin011,stat_011,datumipl) values (1,1,1,1,'1',sysdate)",
        "insert into po023grp (idpo_023,sifra023,sifra011,stat_023,datumipl) values (1,1,1,'1',sysdate)"});
    // The script prepares with the save directory's settings files.
    moxtext::writeTextLines(datotekaNastavitevPalet(ctx), {"###", "P1 STORITVE"});
    moxtext::writeTextLines(datotekaSeznama023(ctx), {"G1"});
    TZahtevaDruzine z;
    EXPECT_EQ(palete->pripravi(ctx, z, nullptr).status, "N");
    EXPECT_EQ(grupe023->pripravi(ctx, z, nullptr).status, "N");

    streze(QStringLiteral("TAVO_B"));
    exec(skupno);
    TIzidDruzine izid = palete->osvezi(ctx, z, nullptr);
    EXPECT_EQ(izid.status, "N") << izid.napaka.toStdString();
    izid = grupe023->osvezi(ctx, z, nullptr);
    EXPECT_EQ(izid.status, "N") << izid.napaka.toStdString();

    EXPECT_EQ(rows("select p.code_116,s.code_011 from tavo_b.po116nhc n,tavo_b.ka116pal p,tavo_b.ka011nhc s "
                   "where p.sifra116=n.sifra116 and s.sifra011=n.sifra011"),
              "P1|S1");
    EXPECT_EQ(rows("select g.code_023,g.user_cre,h.code_055,s.code_011 from tavo_b.ka023grp g,tavo_b.po011hc0 m,"
                   "tavo_b.ka055hc0 h,tavo_b.po023grp n,tavo_b.ka011nhc s where m.sifra023=g.sifra023 and "
                   "h.sifra055=m.sifra055 and n.sifra023=g.sifra023 and s.sifra011=n.sifra011"),
              "G1|TAVO_B|HC1|S1");
    for (const char *t : {"ka116pal", "po116nhc", "ka011nhc", "ka023grp", "po011hc0", "po023grp"})
        EXPECT_EQ(rows(QStringLiteral("select count(*) from tavo.%1").arg(QString::fromLatin1(t))), "0") << t;
    EXPECT_EQ(ctx.pNapakePrenosov, 0);
}

} // namespace
