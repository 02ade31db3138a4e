// Pallets: the refresh. Three passes insert the pallets, their service links
// and the services the receiving installation lacks; rows it has are left as
// they are.
#include "transfers/palete.h"

#include "dbf/apollo.h"
#include "general/general.h"
#include "general/manifest.h"
#include "general/uporabapaketa.h"
#include "log/timing.h"
#include "run/context.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "base/scopeexit.h"
#include "base/text.h"
#include "transfers/grupe_prehod.h"
#include "transfers/zakljucekprehodov.h"

namespace {

enum { kPalete = 0, kPovezave = 1, kStoritve = 2 };

TOpisPrehoda opisPalet()
{
    TOpisPrehoda o;
    o.tabela = QStringLiteral("KA116PAL");
    o.imeNapake = QStringLiteral("PALETE");
    // The department is looked up also when the file names none: a pallet
    // without a department cannot be refreshed.
    o.iskanja << TIskanjeKode{QStringLiteral("CODE_031"), QStringLiteral("SIFRA031"),
                              QStringLiteral("select sifra031 from tavo.kr031org where code_031=:code_031"),
                              QStringLiteral("Ni oddelka "), false};
    o.obstoj = {QStringLiteral("select * from tavo.ka116pal where code_116=:code_116")};
    o.vstavi = {QStringLiteral("insert into tavo.ka116pal"),
                QStringLiteral(" (SIFRA116, DATUMIPL, USER_IPL, CODE_116, DESC_116, SERV_116, STAT_116, SIFRA031)"),
                QStringLiteral("  values"),
                QStringLiteral(" (tavo.getSequence('KA116PAL'),sysdate,'ORN',:CODE_116,:DESC_116,:SERV_116,:STAT_116,:SIFRA031)")};
    o.pravilo = TPraviloPosodobitve::nikoli;
    return o;
}

TOpisPrehoda opisPovezav()
{
    TOpisPrehoda o;
    o.tabela = QStringLiteral("PO116NHC");
    o.imeNapake = QStringLiteral("PO116NHC");
    o.iskanja << TIskanjeKode{QStringLiteral("CODE_011"), QStringLiteral("SIFRA011"),
                              QStringLiteral("select sifra011 from tavo.ka011nhc where code_011=:code_011"),
                              QStringLiteral("Ni storitve "), false}
              << TIskanjeKode{QStringLiteral("CODE_116"), QStringLiteral("SIFRA116"),
                              QStringLiteral("select sifra116 from tavo.ka116pal where code_116=:code_116"),
                              QStringLiteral("Ni palete "), false};
    o.obstoj = {QStringLiteral("select * from tavo.po116nhc where sifra116=:sifra116 and sifra011=:sifra011")};
    o.vstavi = {QStringLiteral("insert into tavo.po116nhc"), QStringLiteral(" (SIFRA116, SIFRA011, IDPO_116)"),
                QStringLiteral("  values"), QStringLiteral(" (:SIFRA116,:SIFRA011,tavo.getSequence('PO116NHC'))")};
    o.pravilo = TPraviloPosodobitve::nikoli;
    return o;
}

TOpisPrehoda opisStoritev()
{
    TOpisPrehoda o;
    o.tabela = QStringLiteral("KA011NHC");
    o.imeNapake = QStringLiteral("STORITVE");
    // An empty article code means a service without an article; the tax is
    // required.
    o.iskanja << TIskanjeKode{QStringLiteral("CODE_010"), QStringLiteral("SIFRA010"),
                              QStringLiteral("select sifra010 from tavo.ka010res where code_010=:code_010"),
                              QStringLiteral("Ni artikla "), true}
              << TIskanjeKode{QStringLiteral("CODE_170"), QStringLiteral("SIFRA170"),
                              QStringLiteral("select sifra170 from tavo.pr170dk0 where code_170=:code_170"),
                              QStringLiteral("Ni davka "), false};
    o.obstoj = {QStringLiteral("select * from tavo.ka011nhc where code_011=:code_011")};
    // The validity dates are converted by the statement from the file's text
    // ("DD.MM.YYYY" with or without the time), whatever date format the
    // session has.
    o.vstavi = {
        QStringLiteral("insert into tavo.ka011nhc"),
        QStringLiteral(" (SIFRA011, TYPE_011, OPIS_011, SSIF_K05, KOL__011, SSIF_P23, SIFRA081,"),
        QStringLiteral("  SSIF_P11, SSIF_Z07, CODE_011, SIFRA170, SSIF_Z17, COEF_011, SIFRA013,"),
        QStringLiteral("  KONTO011, DATUMIPL, USER_IPL, DATOD011, DATDO011, SSIF_Z68, SSIF_Z67,"),
        QStringLiteral("  DODOP011, DEJOB011, SIFRA010, STAT_011, DECL_011, SSIF_P20, INFO_011)"),
        QStringLiteral("  values"),
        QStringLiteral(" (tavo.getSequence('KA011NHC'),:TYPE_011,:OPIS_011,:SSIF_K05,:KOL__011,:SSIF_P23,:SIFRA081,"),
        QStringLiteral("  :SSIF_P11, :SSIF_Z07,:CODE_011,:SIFRA170,:SSIF_Z17,:COEF_011,:SIFRA013,"),
        QStringLiteral("  :KONTO011,sysdate,'ORN',to_date(:DATOD011,'DD.MM.YYYY HH24:MI:SS'),"
                       "to_date(:DATDO011,'DD.MM.YYYY HH24:MI:SS'),:SSIF_Z68,:SSIF_Z67,"),
        QStringLiteral("  :DODOP011,:DEJOB011,:SIFRA010,:STAT_011,:DECL_011,:SSIF_P20,:INFO_011 )")};
    o.pravilo = TPraviloPosodobitve::nikoli;
    o.celaStevila = {QStringLiteral("KOL__011")};
    return o;
}

} // namespace

QString povzetekPalet(const QList<TStevciPrehoda> &prehodi)
{
    static const QStringList oznake{QStringLiteral("palete  "), QStringLiteral("povez.  "), QStringLiteral("storitve")};
    QString s = moxtext::crlf;
    s += QString(16, u' ') + QStringLiteral("tabela  \t\tvseh\tnovih\tpopr\tnapak") + moxtext::crlf;
    s += QString(16, u' ') + QString(68, u'-') + moxtext::crlf;
    for (int i = 0; i < oznake.size() && i < prehodi.size(); ++i) {
        const TStevciPrehoda &p = prehodi[i];
        s += vrsticaPovzetka(oznake[i], QStringLiteral("\t\t"),
                             {QString::number(p.prebranih), QString::number(p.novih), QString::number(p.popravkov),
                              QString::number(p.napak)});
    }
    return s;
}

TIzidDruzine osveziPalete(TMoxContext &ctx, const TZahtevaDruzine &zahteva, const TNapredekDruzine *napredek)
{
    const QString pot = moxpath::withTrailingSeparator(zahteva.pot.isEmpty() ? ctx.currSaveDir : zahteva.pot);
    uraStart(ctx);
    ctx.pKonec = false;
    TTekOsvezevanja tek(ctx, zahteva, napredek,
                        {QStringLiteral("KA116PAL"), QStringLiteral("PO116NHC"), QStringLiteral("KA011NHC")});
    for (int i = 0; i < tek.stevci.size(); ++i)
        tek.prikazi(i);
    if (napredek && napredek->tece)
        napredek->tece(true);
    TNaKoncu konec([napredek] {
        if (napredek && napredek->tece)
            napredek->tece(false);
    });

    QString napaka;
    int prehod = kPalete;
    TApolloDataSet pal, pov, sto;
    QDateTime izvozeno;
    try {
        // Before any file is read (or a missing one put there from the
        // templates).
        izvozeno = preveriPaketPredOsvezevanjem(ctx, pot, QStringLiteral("PALETE"), QStringLiteral("PALETE"),
                                                datotekeDela(pot, datotekePalet()));
        odpriDBFPalete(ctx, pot, pal, pov, sto, false);
        osveziPrehod(tek, prehod, opisPalet(), pal);
        pal.Close();
        // The services before the links: a link finds its service by code,
        // so a service new in this package must be there first.
        prehod = kStoritve;
        osveziPrehod(tek, prehod, opisStoritev(), sto);
        sto.Close();
        prehod = kPovezave;
        osveziPrehod(tek, prehod, opisPovezav(), pov);
        pov.Close();
        if (!tek.nadaljuj && napaka.isEmpty() && ctx.pKonec)
            napaka = QStringLiteral("Osveževanje je bilo prekinjeno pred koncem datoteke");
        else if (!tek.nadaljuj)
            tek.neuspeh = true;
    } catch (const std::exception &e) {
        const auto *m = dynamic_cast<const EMoxError *>(&e);
        napaka = m ? m->message() : QString::fromLocal8Bit(e.what());
        ++tek.stevci[prehod].napak;
        tek.prikazi(prehod);
        if (ctx.ui && !zahteva.brezSporocil && !ctx.pAutomatika && !zavrnitevPrikazana(e))
            ctx.ui->showMessage(napaka);
    }
    for (TApolloDataSet *t : {&pal, &pov, &sto}) {
        try {
            t->Close();
        } catch (const EMoxError &) {
            // The files were only read.
        }
    }
    TZakljucekPrehodov z;
    z.vrsta = QStringLiteral("PALETE");
    // Not napGrupe.txt: a pallet refresh would overwrite the summary of the
    // last groups refresh.
    z.datoteka = QStringLiteral("napPalete.txt");
    z.povzetek = povzetekPalet(tek.stevci);
    z.konec = QStringLiteral("KONEC osveževanja PALET !");
    z.konecTudiVSkripti = true;
    z.izvozeno = izvozeno;
    return zakljuciPrehode(tek, pot, z, napaka);
}
