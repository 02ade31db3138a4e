// Groups and activities through the script item GRUPE on one embedded
// database serving two installations (TAVO_A exports, TAVO_B receives) beside
// the plain TAVO schema: statements and trigger switches name the
// installation served now.
#include "transfers/dveinstalaciji.h"

#include "oracle/oracle.h"
#include "run/context.h"
#include "base/paths.h"
#include "base/text.h"
#include "transfers/druzine.h"
#include "transfers/grupe_nastavitve.h"

#include <QDir>

namespace {

const char *const kAlias = "GRUPEVEC";

class GrupeVec : public TDveInstalaciji {
protected:
    GrupeVec() : TDveInstalaciji(kAlias) {}
};

TEST_F(GrupeVec, ScriptItemWorksOnTheInstallationServedNow)
{
    const TDruzina *grupe = najdiDruzino(QStringLiteral("GRUPE"));
    ASSERT_TRUE(grupe && grupe->pripravi && grupe->osvezi);

    streze(QStringLiteral("TAVO_A"));
    exec({"alter trigger btka061grp disable", "alter trigger btka060ak0 disable",
          "insert into kr031org (sifra031,code_031,opis_031,stat_031) values (1,'D1','Kirurgija','1')",
          "insert into ka061grp (sifra061,code_061,desc_061,type_061,stat_061,datumipl) "
          "values (1,'G1','Kirurške storitve','S','1',to_date('05.03.2016','DD.MM.YYYY'))",
          "insert into ka060ak0 (sifra060,code_060,opis_060,stat_060,sifra031,datumipl) "
          "values (1,'A1','Šivanje','1',1,to_date('05.03.2016 08:15:00','DD.MM.YYYY HH24:MI:SS'))",
          "insert into po061grp (idpo_061,sifra061,sifra060) values (1,1,1)",
          "alter trigger btka061grp enable", "alter trigger btka060ak0 enable"});
    moxtext::writeTextLines(datotekaNastavitevGrup(ctx.currSaveDir), {"###", "G1"});
    TZahtevaDruzine z;
    EXPECT_EQ(grupe->pripravi(ctx, z, nullptr).status, "N");

    streze(QStringLiteral("TAVO_B"));
    exec({"insert into kr031org (sifra031,code_031,opis_031,stat_031) values (7,'D1','Kirurgija','1')"});
    const TIzidDruzine izid = grupe->osvezi(ctx, z, nullptr);
    EXPECT_EQ(izid.status, "N") << izid.napaka.toStdString();

    // The receiving installation's rows keep the exported dates: its own
    // time-stamping triggers were off while they were written, and are on again.
    EXPECT_EQ(rows("select g.code_061,to_char(g.datumipl,'DD.MM.YYYY HH24:MI:SS'),a.code_060,"
                   "to_char(a.datumipl,'DD.MM.YYYY HH24:MI:SS'),a.sifra031 from tavo_b.ka061grp g,tavo_b.po061grp p,"
                   "tavo_b.ka060ak0 a where p.sifra061=g.sifra061 and a.sifra060=p.sifra060"),
              "G1|05.03.2016 00:00:00|A1|05.03.2016 08:15:00|7");
    EXPECT_EQ(rows("select count(*) from dba_triggers where owner='TAVO_B' and status<>'ENABLED'"), "0");
    // The plain TAVO schema is never touched.
    for (const char *t : {"ka061grp", "ka060ak0", "po061grp"})
        EXPECT_EQ(rows(QStringLiteral("select count(*) from tavo.%1").arg(QString::fromLatin1(t))), "0") << t;
    EXPECT_EQ(ctx.pNapakePrenosov, 0);
}

} // namespace
