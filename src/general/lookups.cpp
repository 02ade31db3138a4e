#include "general/values.h"

#include "dbf/apollo.h"
#include "general/dbfsupport.h"
#include "run/schemanames.h"
#include "run/context.h"
#include "base/interaction.h"
#include "base/moxerror.h"
#include "base/text.h"

void deklarirajSpremenljivko(TOracleStatementBase &stavek, const QString &ime, const QString &typ,
                             TInteraction *ui)
{
    stavek.DeclareVariable(ime, tipSpremenljivke(typ, ui));
}

void nastaviIzDBF(TOracleStatementBase &stavek, TApolloDataSet &dbf, const QString &ime, bool pad, int dolzina,
                  const QString &typ)
{
    stavek.SetVariable(ime, vrednostIzDBF(dbf.FieldByName(ime).AsString(), pad, dolzina, typ));
}

// --- Lookups ---

namespace {
// A CHAR code column holds its codes blank-padded, and a bound text is
// compared with it without padding: the code has to be padded to the
// column's width to be found. Returns that width, or 0 for other columns
// (and when the dictionary cannot tell).
int sirinaCharKode(TOracleDataSet &q, const QString &lastnik, const tipKolone &k)
{
    int sirina = 0;
    try {
        q.Close();
        q.SQL = QStringList{QStringLiteral("select data_type, data_length from dba_tab_columns where owner=:lastnik "
                                           "and table_name=:tabela and column_name=:kolona")};
        q.DeleteVariables();
        q.DeclareVariable(QStringLiteral("lastnik"), otString);
        q.DeclareVariable(QStringLiteral("tabela"), otString);
        q.DeclareVariable(QStringLiteral("kolona"), otString);
        q.SetVariable(QStringLiteral("lastnik"), moxtext::upperAZ(lastnik.trimmed()));
        q.SetVariable(QStringLiteral("tabela"), moxtext::upperAZ(k.mTabela.trimmed()));
        q.SetVariable(QStringLiteral("kolona"), moxtext::upperAZ(k.mKolona.trimmed()));
        q.Open();
        if (!q.Eof() && q.FieldByName(QStringLiteral("data_type")).AsString() == QStringLiteral("CHAR"))
            sirina = int(q.FieldByName(QStringLiteral("data_length")).AsInteger());
        q.Close();
    } catch (const EMoxError &) {
        q.Close();
    }
    q.DeleteVariables();
    q.SQL.clear();
    return sirina;
}
} // namespace

TIskanja::TIskanja(TOracleSession *seja) : m_seja(seja) {}

TIskanja::~TIskanja()
{
    for (Par &p : m_pari) {
        try {
            p.qu->Close();
            p.ta->Close();
        } catch (const EMoxError &) {
            // Closing a table that was only read cannot lose data.
        }
    }
}

bool TIskanja::pripraviIskanja(TMoxContext &ctx, TTableDescription &opis)
{
    const qsizetype pika = opis.tabela.indexOf(u'.');
    const QString predpona = pika < 0 ? QString() : opis.tabela.left(pika + 1);

    const int n = int(qMin<qsizetype>(opis.aKolone.size(), kMaxKoloneOsvezi));
    int referenc = 0;
    for (int i = 0; i < n; ++i)
        if (opis.aKolone.at(i).imaReferenco())
            ++referenc;
    if (referenc > kMaxReferenc) {
        if (ctx.ui)
            ctx.ui->showMessage(QStringLiteral("PREVEČ MASTER/DETAIL polj (>%1)").arg(kMaxReferenc));
        return false;
    }

    for (int i = 0; i < n; ++i) {
        tipKolone &k = opis.aKolone[i];
        k.taDBF = nullptr;
        k.quOra = nullptr;
        k.najdene = nullptr;
        if (!k.imaReferenco())
            continue;
        Par p;
        p.ta = std::make_unique<TApolloDataSet>();
        p.ta->Exclusive = true;
        p.ta->OEMTranslate = false;
        p.qu = std::make_unique<TOracleDataSet>(m_seja);
        m_pari.push_back(std::move(p));
        Par &par = m_pari.back();
        if (!odpriReferencniDBF(ctx, *par.ta, imeReferencnegaDBF(k.mTabela), k.imePolja))
            return false;
        k.taDBF = par.ta.get();
        k.quOra = par.qu.get();
        const QString referencna = moxtext::upperAZ(k.mTabela.trimmed());
        if (referencna.mid(referencna.lastIndexOf(u'.') + 1) != moxtext::upperAZ(opis.tabelaBrezLastnika())) {
            par.najdene = std::make_unique<QHash<QString, QString>>();
            k.najdene = par.najdene.get();
        }
        k.mSirinaChar = sirinaCharKode(*par.qu, pika < 0 ? ctx.currUser : opis.tabela.left(pika), k);
        const QString sql = QStringLiteral("select ") + k.imePolja + QStringLiteral(" SIFRA from ") + predpona +
                            k.mTabela + QStringLiteral("  where ") + k.mKolona + QStringLiteral(" =:KODA");
        par.qu->SQL = QStringList{zamenjave(sql, QStringLiteral("SQL"), ctx)};
        par.qu->DeclareVariable(QStringLiteral("KODA"), otString);
    }
    return true;
}

QString poisciSifro(const tipKolone &k, TApolloDataSet &dbf, bool &napaka)
{
    return poisciSifro(k, dbf.FieldByName(k.imePolja).AsString(), napaka);
}

QString poisciSifro(const tipKolone &k, const QString &vrednost, bool &napaka, QString *razlog)
{
    auto neuspeh = [&](const QString &zakaj) {
        napaka = true;
        if (razlog)
            *razlog = zakaj;
        return QString();
    };
    // Stored as the DBF holds it: without trailing blanks.
    QString v = vrednost;
    while (!v.isEmpty() && v.back() == u' ')
        v.chop(1);
    if (v.trimmed().isEmpty())
        return QString();
    if (!k.taDBF || !k.quOra)
        return neuspeh(QStringLiteral("iskanje v ") + k.mTabela + QStringLiteral(" ni pripravljeno"));
    if (k.najdene) {
        const auto znana = k.najdene->constFind(v);
        if (znana != k.najdene->cend())
            return *znana;
    }
    // The index finds the first key that begins with the value; only an equal
    // key is the referenced row ("12" must not take the row of "120").
    if (!k.taDBF->Seek(v) || k.taDBF->FieldByName(k.imePolja).AsString() != v)
        return neuspeh(QStringLiteral("ni v ") + imeReferencnegaDBF(k.mTabela) + QStringLiteral(".DBF"));
    QString koda = k.taDBF->FieldByName(k.mKolona).AsString();
    if (k.mSirinaChar > koda.size())
        koda = koda.leftJustified(k.mSirinaChar, u' ');
    k.quOra->Close();
    k.quOra->SetVariable(QStringLiteral("KODA"), koda);
    k.quOra->Open();
    QString sifra;
    if (!k.quOra->Eof())
        sifra = k.quOra->FieldByName(QStringLiteral("SIFRA")).AsString();
    k.quOra->Close();
    if (sifra.isEmpty())
        return neuspeh(k.mKolona + u'=' + koda.trimmed() + QStringLiteral(" ni v ") + k.mTabela);
    if (k.najdene)
        k.najdene->insert(v, sifra);
    return sifra;
}
