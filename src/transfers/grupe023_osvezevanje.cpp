// Groups 023: the refresh. Three passes over the files: the groups, their HC
// members and their service members.
#include "transfers/grupe023.h"

#include "dbf/apollo.h"
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

enum { kGrupe = 0, kHC = 1, kStoritve = 2 };

const QString kIskanjeGrupe = QStringLiteral("select sifra023 from tavo.ka023grp where code_023=:code_023");

// Shows the missing codes of a record in message boxes, as long as no script
// runs the refresh and the run shows dialogs (they are listed in any case).
auto prikaziManjkajoce(TMoxContext &ctx, const TZahtevaDruzine &zahteva, bool samoAktivni)
{
    return [&ctx, &zahteva, samoAktivni](TApolloDataSet &dbf, const QStringList &manjka) {
        if (ctx.p_autoPrepare || ctx.pAutomatika || zahteva.brezSporocil || !ctx.ui)
            return;
        // An inactive member that cannot be applied is counted and listed,
        // without a message box.
        if (samoAktivni && dbf.FieldByName(QStringLiteral("STAT_011")).AsString() != QStringLiteral("1"))
            return;
        for (const QString &m : manjka)
            ctx.ui->showMessage(m);
    };
}

TOpisPrehoda opisGrup()
{
    TOpisPrehoda o;
    o.tabela = QStringLiteral("KA023GRP");
    o.imeNapake = QStringLiteral("GRUPE");
    o.imeNapakePosodobitve = QStringLiteral("GRUPE023");
    // A record without a code cannot be matched: it would add a group at
    // every refresh.
    o.preskociPrazno = QStringLiteral("CODE_023");
    o.obstoj = {QStringLiteral("select grp.*,to_char(grp.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from tavo.ka023grp grp "
                               "where code_023=:code_023")};
    // A new group gets its time of change too: without it the next refresh
    // would take the row for an older one and correct it again.
    o.vstavi = {QStringLiteral("insert into tavo.ka023grp"),
                QStringLiteral(" (SIFRA023, DESC_023, CODE_023, STAT_023, TYPE_023,DATUMCRE,USER_CRE,DATUMIPL,USER_IPL)"),
                QStringLiteral("  values"),
                QStringLiteral(" (tavo.getSequence('KA023GRP'),:DESC_023,:CODE_023,:STAT_023, :TYPE_023,sysdate,"
                               "tavo.pckLogParam.getUser,sysdate,tavo.pckLogParam.getUser)")};
    o.posodobi = {QStringLiteral("update tavo.ka023grp set "),
                  QStringLiteral("  DESC_023=:DESC_023, TYPE_023=:TYPE_023, STAT_023=:STAT_023,"),
                  QStringLiteral("  DATUMIPL=sysdate, USER_IPL=tavo.pckLogParam.getUser "),
                  QStringLiteral(" WHERE SIFRA023=:SIFRA023")};
    o.kljucVrstice = QStringLiteral("SIFRA023");
    o.pravilo = TPraviloPosodobitve::novejsi;
    return o;
}

// The members' inserts and updates set the time of change as the group's
// update does: an update that left it would be repeated at every refresh.
TOpisPrehoda opisHC(TMoxContext &ctx, const TZahtevaDruzine &zahteva)
{
    TOpisPrehoda o;
    o.tabela = QStringLiteral("PO011HC0");
    o.imeNapake = QStringLiteral("PO011HC0");
    // HC first: its message comes before the group's. The active HC of a
    // code is the one taken.
    o.iskanja << TIskanjeKode{QStringLiteral("CODE_055"), QStringLiteral("SIFRA055"),
                              QStringLiteral("select sifra055 from tavo.ka055hc0 where code_055=:code_055 "
                                             "order by stat_055 desc"),
                              QStringLiteral("NAPAKA : NE OBSTAJA HC "), false}
              << TIskanjeKode{QStringLiteral("CODE_023"), QStringLiteral("SIFRA023"), kIskanjeGrupe,
                              QStringLiteral("NAPAKA : NE OBSTAJA GRUPA "), false};
    o.obstoj = {QStringLiteral("select po.*,to_char(po.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl  from tavo.po011hc0 po "
                               "where po.sifra023=:sifra023 and po.sifra055=:SIFRA055")};
    o.vstavi = {QStringLiteral("insert into tavo.po011hc0"),
                QStringLiteral(" (IDPO_011, SIFRA023, SIFRA055, ORDIN011, CARD_011, INF__011, STAT_011, DATUMCRE,USER_CRE,"
                               "DATUMIPL,USER_IPL)"),
                QStringLiteral("  values"),
                QStringLiteral(" (tavo.getSequence('PO011HC0'),:SIFRA023,:SIFRA055,:ORDIN011,:CARD_011,:INF__011,:STAT_011,"
                               "sysdate,tavo.pckLogParam.getUser,sysdate,tavo.pckLogParam.getUser)")};
    o.posodobi = {QStringLiteral("update tavo.po011hc0 set "),
                  QStringLiteral("  ORDIN011=:ORDIN011, CARD_011=:CARD_011,INF__011=:INF__011,STAT_011=:STAT_011,"),
                  QStringLiteral("  DATUMIPL=sysdate, USER_IPL=tavo.pckLogParam.getUser "),
                  QStringLiteral(" WHERE IDPO_011=:IDPO_011")};
    o.kljucVrstice = QStringLiteral("IDPO_011");
    o.pravilo = TPraviloPosodobitve::novejsi;
    o.celaStevila = {QStringLiteral("ORDIN011"), QStringLiteral("CARD_011")};
    o.obManjkajocih = prikaziManjkajoce(ctx, zahteva, true);
    return o;
}

TOpisPrehoda opisStoritev(TMoxContext &ctx, const TZahtevaDruzine &zahteva)
{
    TOpisPrehoda o;
    o.tabela = QStringLiteral("PO023GRP");
    o.imeNapake = QStringLiteral("PO023GRP");
    o.iskanja << TIskanjeKode{QStringLiteral("CODE_011"), QStringLiteral("SIFRA011"),
                              QStringLiteral("select sifra011 from tavo.ka011nhc where code_011=:code_011"),
                              QStringLiteral("NAPAKA : NE OBSTAJA STORITEV "), false}
              << TIskanjeKode{QStringLiteral("CODE_023"), QStringLiteral("SIFRA023"), kIskanjeGrupe,
                              QStringLiteral("NAPAKA : NE OBSTAJA GRUPA "), false};
    o.obstoj = {QStringLiteral("select po.*,to_char(po.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl  from tavo.po023grp po "
                               "where po.sifra023=:sifra023 and po.sifra011=:SIFRA011")};
    o.vstavi = {QStringLiteral("insert into tavo.po023grp"),
                QStringLiteral(" (IDPO_023, SIFRA023, SIFRA011, STAT_023, DATUMCRE,USER_CRE,DATUMIPL,USER_IPL)"),
                QStringLiteral("  values"),
                QStringLiteral(" (tavo.getSequence('PO023GRP'),:SIFRA023,:SIFRA011,:STAT_023,sysdate,:USER_CRE,"
                               "sysdate,tavo.pckLogParam.getUser)")};
    o.posodobi = {QStringLiteral("update tavo.po023grp set "),
                  QStringLiteral("  STAT_023=:STAT_023, DATUMIPL=sysdate, USER_IPL=tavo.pckLogParam.getUser"),
                  QStringLiteral(" WHERE IDPO_023=:IDPO_023")};
    o.kljucVrstice = QStringLiteral("IDPO_023");
    o.pravilo = TPraviloPosodobitve::novejsi;
    o.obManjkajocih = prikaziManjkajoce(ctx, zahteva, false);
    return o;
}

} // namespace

QString povzetekGrup023(const QList<TStevciPrehoda> &prehodi)
{
    struct TVrsta {
        const char *oznaka;
        int prehod;
    };
    static const TVrsta vrste[] = {{"KA023GRP      ", kGrupe}, {"PO023GRP ", kStoritve}, {"PO011HC0 ", kHC}};
    QString s = moxtext::crlf;
    s += QString(16, u' ') + QStringLiteral("tabela\t             vseh\tnovih\tpopr\tnapak") + moxtext::crlf;
    s += QString(16, u' ') + QString(94, u'-') + moxtext::crlf;
    for (const TVrsta &v : vrste) {
        if (v.prehod >= prehodi.size())
            continue;
        const TStevciPrehoda &p = prehodi[v.prehod];
        s += vrsticaPovzetka(QString::fromLatin1(v.oznaka), QStringLiteral("\t"),
                             {QString::number(p.prebranih), QString::number(p.novih), QString::number(p.popravkov),
                              p.napak == 0 ? QString() : QString::number(p.napak)});
    }
    return s;
}

TIzidDruzine osveziGrupe023(TMoxContext &ctx, const TZahtevaDruzine &zahteva, const TNapredekDruzine *napredek)
{
    const QString pot = moxpath::withTrailingSeparator(zahteva.pot.isEmpty() ? ctx.currSaveDir : zahteva.pot);
    uraStart(ctx);
    ctx.pKonec = false;
    TTekOsvezevanja tek(ctx, zahteva, napredek,
                        {QStringLiteral("KA023GRP"), QStringLiteral("PO011HC0"), QStringLiteral("PO023GRP")});
    for (int i = 0; i < tek.stevci.size(); ++i)
        tek.prikazi(i);
    if (napredek && napredek->tece)
        napredek->tece(true);
    TNaKoncu konec([napredek] {
        if (napredek && napredek->tece)
            napredek->tece(false);
    });

    QString napaka;
    int prehod = kGrupe;
    TApolloDataSet grp, hc, sto;
    QDateTime izvozeno;
    try {
        // Before any file is read (or a missing one put there from the
        // templates).
        izvozeno = preveriPaketPredOsvezevanjem(ctx, pot, QStringLiteral("GRUPE023"), QStringLiteral("GRUPE023"),
                                                datotekeDela(pot, datotekeGrup023()));
        odpriDBF023(ctx, pot, grp, hc, sto, false);
        osveziPrehod(tek, prehod, opisGrup(), grp);
        grp.Close();
        prehod = kHC;
        osveziPrehod(tek, prehod, opisHC(ctx, zahteva), hc);
        hc.Close();
        prehod = kStoritve;
        osveziPrehod(tek, prehod, opisStoritev(ctx, zahteva), sto);
        sto.Close();
        ctx.osOracle.Commit();
        if (!tek.nadaljuj && ctx.pKonec)
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
    for (TApolloDataSet *t : {&grp, &hc, &sto}) {
        try {
            t->Close();
        } catch (const EMoxError &) {
            // The files were only read.
        }
    }
    TZakljucekPrehodov z;
    z.vrsta = QStringLiteral("GRUPE023");
    z.datoteka = QStringLiteral("napGrupe023.txt");
    z.povzetek = povzetekGrup023(tek.stevci);
    z.konec = QStringLiteral("KONEC osveževanja GRUP !");
    z.izvozeno = izvozeno;
    return zakljuciPrehode(tek, pot, z, napaka);
}
