#include "transfers/grupe_brisi.h"

#include "oracle/oracle.h"
#include "run/schemanames.h"
#include "run/context.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "base/text.h"
#include "transfers/grupe_datoteke.h"
#include "transfers/grupe_nastavitve.h"
#include "transfers/grupe_prehod.h"

#include <vector>

namespace {

using D = TDatotekeGrup;

struct TVrstaPovezave {
    D::Datoteka datoteka;
    const char *indeks;   // expression of the link index
    const char *clan;     // the member's code field in the file and column of the query
    const char *tabela;
    const char *izbor;    // first line of the locking query
    const char *pogoj;    // what follows the group's key
    const char *kljuc;    // the row's own key, by which it is deleted
    int TPrehodiPovezav::*prehod;
};

const TVrstaPovezave kVrste[] = {
    {D::o61grp, "code_061,code_060", "CODE_060", "PO061GRP",
     "select grp.rowid,grp.idpo_061,akt.code_060 from tavo.po061grp grp,tavo.ka060ak0 akt ",
     " and akt.sifra060=grp.sifra060 for update", "IDPO_061", &TPrehodiPovezav::po061grp},
    {D::o61spg, "code_061,code_031", "CODE_031", "PO061SPG",
     "select spg.rowid,spg.*,org.code_031 from tavo.po061spg spg,tavo.kr031org org ",
     " and org.sifra031=spg.sifra031 for update", "IDPO_061", &TPrehodiPovezav::po061spg},
    {D::o65hc0, "code_061,code_055", "CODE_055", "PO065HC0",
     "select spg.rowid,spg.idpo_065,org.code_055 from tavo.po065hc0 spg,tavo.ka055hc0 org ",
     " and org.sifra055=spg.sifra055 for update", "IDPO_065", &TPrehodiPovezav::po065hc0},
};

struct TPovezava {
    qint64 kljuc = 0;
    QString clan;
};

} // namespace

QStringList brisiOdvecnePovezave(TTekOsvezevanja &tek, TDatotekeGrup &dat, const QString &mapa,
                                 const QStringList &nastavitve, const TPrehodiPovezav &prehodi)
{
    TMoxContext &ctx = tek.ctx;
    QStringList odstranjene;

    TOracleDataSet grupa(&ctx.osOracle);
    grupa.SQL << zamenjave(QStringLiteral("select * from tavo.ka061grp where code_061=:KODA"), QStringLiteral("SQL"), ctx);
    grupa.DeclareVariable(QStringLiteral("KODA"), otString);

    for (const TVrstaPovezave &v : kVrste)
        dat[v.datoteka].Index(moxpath::join(mapa, D::indeksIme(v.datoteka)), QString::fromLatin1(v.indeks));

    // Every group the settings name (the header before the first "###"
    // included), each once.
    const TNastavitveGrup n = preberiNastavitveGrup(nastavitve);
    QStringList kode;
    for (const tipGrupaStr &e : n.vnosi)
        if (!e.grupa.isEmpty() && !kode.contains(e.grupa))
            kode << e.grupa;

    for (const QString &koda : kode) {
        grupa.Close();
        grupa.SetVariable(QStringLiteral("KODA"), koda);
        grupa.Open();
        if (grupa.Eof()) {
            grupa.Close();
            continue;
        }
        const qint64 sifra = grupa.FieldByName(QStringLiteral("SIFRA061")).AsInteger();
        grupa.Close();

        for (const TVrstaPovezave &v : kVrste) {
            const int prehod = prehodi.*v.prehod;
            // A file without any link of the group says nothing about its
            // links of this kind: they stay.
            if (!dat.najdi(v.datoteka, {QStringLiteral("CODE_061")}, {koda}))
                continue;

            // The rows are read whole first: after the first deletion's
            // commit a locking cursor could not be fetched from again.
            std::vector<TPovezava> povezave;
            {
                TOracleDataSet q(&ctx.osOracle);
                q.SQL = QStringList{zamenjave(QString::fromLatin1(v.izbor) + moxtext::crlf +
                                                  QStringLiteral(" where sifra061=") + QString::number(sifra) +
                                                  QString::fromLatin1(v.pogoj),
                                              QStringLiteral("SQL"), ctx)};
                q.Open();
                for (; !q.Eof(); q.Next())
                    povezave.push_back({q.FieldByName(QString::fromLatin1(v.kljuc)).AsInteger(),
                                        q.FieldByName(QString::fromLatin1(v.clan)).AsString()});
                q.Close();
            }

            TOracleQuery brisi(&ctx.osOracle);
            const QString kljuc = QString::fromLatin1(v.kljuc).toLower();
            brisi.SQL << zamenjave(QStringLiteral("delete from tavo.") + QString::fromLatin1(v.tabela).toLower() +
                                       QStringLiteral(" where ") + kljuc + QStringLiteral("=:") + kljuc,
                                   QStringLiteral("SQL"), ctx);
            brisi.DeclareVariable(kljuc, otInteger);
            for (const TPovezava &p : povezave) {
                if (dat.najdi(v.datoteka, {QStringLiteral("CODE_061"), QString::fromLatin1(v.clan)}, {koda, p.clan}))
                    continue;
                const QString opis = QString::fromLatin1(v.tabela) + u' ' + koda + u' ' + p.clan;
                if (tek.zahteva.samoPreverjanje) {
                    odstranjene << opis;
                    continue;
                }
                brisi.SetVariable(kljuc, p.kljuc);
                try {
                    brisi.Execute();
                    ctx.osOracle.Commit();
                    odstranjene << opis;
                } catch (const EMoxError &e) {
                    if (prehod >= 0)
                        tek.napaka(prehod, {QString::fromLatin1(v.tabela) + u':' + e.message()});
                }
            }
        }
    }
    return odstranjene;
}
