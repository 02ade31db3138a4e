// Preparation of a general table: the rows of the described table into its DBF.
#include "general/general.h"

#include "dbf/apollo.h"
#include "log/history.h"
#include "oracle/oracle.h"
#include "run/context.h"
#include "base/moxerror.h"
#include "base/scopeexit.h"
#include "base/text.h"


qint64 pripraviSplosno(TMoxContext &ctx, const TTableDescription &opis, const QString &dbfPot, QString &filter,
                       bool detail, const TPripravaNapredek *napredek)
{
    const QVector<tipKolone> &kolone = opis.aKolone;

    TApolloDataSet &dbf = ctx.taDBF;
    TOracleDataSet &q = ctx.quDyn;
    // On an error the rows written so far stay: the table is closed (and so
    // written out) and the query too.
    TNaKoncu zapri([&dbf, &q] {
        q.Close();
        dbf.Close();
    });
    dbf.Close();
    dbf.TableName = dbfPot;
    dbf.Open();
    dbf.Zap();

    // Replication: only the rows changed since the last successful refresh.
    if (ctx.p_replikacija) {
        QString lastnik, tabela;
        razcleniTabelo(opis.tabela, ctx.currUser, lastnik, tabela);
        if (preveriKolono(ctx.quDyn, lastnik, tabela, QStringLiteral("DATUMIPL")))
            filter = dodajPogojReplikacije(filter, najdizadnjiRefresh(ctx, moxtext::upperAZ(opis.tabela)));
    }

    q.Close();
    q.SQL.clear();
    q.DeleteVariables();
    q.SQL << QStringLiteral("select * from ") + opis.tabela + u' ';
    if (!filter.isEmpty())
        q.SQL << filter;
    q.Open();
    if (ctx.ui)
        ctx.ui->processEvents();

    // Fields of both sides, found once.
    struct Polje {
        int dbf;         // field of the DBF
        int query;       // column of the query
        bool datum;      // DATE: text without trailing blanks
        bool dbfDatum;   // the DBF field is a date field (master/detail tables)
        int sirina;      // characters the field holds; 0: no limit (memo)
    };
    QVector<Polje> polja;
    QHash<QString, int> stolpci;
    for (int i = 0; i < q.FieldCount(); ++i)
        stolpci.insert(moxtext::upperAZ(q.FieldName(i)), i);
    for (const tipKolone &k : kolone) {
        Polje p;
        p.dbf = dbf.FieldIndex(k.imePolja);
        if (p.dbf < 0)
            throw EMoxError(QStringLiteral("V tabeli ") + dbf.TableName + QStringLiteral(" ni polja ") + k.imePolja);
        const auto it = stolpci.constFind(moxtext::upperAZ(k.imePolja));
        if (it == stolpci.constEnd())
            throw EMoxError(QStringLiteral("Tabela ") + opis.tabela + QStringLiteral(" nima stolpca ") + k.imePolja);
        p.query = it.value();
        p.datum = k.tipPolja == QStringLiteral("DATE");
        const TApolloFieldInfo &info = dbf.FieldInfo(p.dbf);
        p.dbfDatum = info.type == u'D';
        p.sirina = info.type == u'M' ? 0 : info.width;
        polja << p;
    }
    int popravi = -1;
    if (!detail) {
        popravi = dbf.FieldIndex(QStringLiteral("POPRAVI"));
        if (popravi < 0)
            throw EMoxError(QStringLiteral("V tabeli ") + dbf.TableName + QStringLiteral(" ni polja POPRAVI"));
    }

    qint64 stevec = 0;
    QVector<QString> besedila(polja.size());
    while (!q.Eof() && !ctx.pKonec) {
        // The texts first: a value the field cannot hold whole is never
        // written cut; the preparation stops on it before the record is added
        // (the file made so far is incomplete, and the run failed).
        for (qsizetype i = 0; i < polja.size(); ++i) {
            const Polje &p = polja.at(i);
            if (p.dbfDatum)
                continue;
            QString s = q.Field(p.query).AsString();
            if (p.datum) {
                while (!s.isEmpty() && s.back() == u' ')
                    s.chop(1);
            }
            if (p.sirina > 0 && s.size() > p.sirina)
                throw EMoxError(QStringLiteral("Vrednost \"%1\" stolpca %2 (vrstica %3) ne gre v polje širine %4 "
                                               "tabele %5: naredite DBF znova")
                                    .arg(s, dbf.FieldInfo(p.dbf).name)
                                    .arg(stevec + 1)
                                    .arg(p.sirina)
                                    .arg(dbf.TableName));
            besedila[i] = s;
        }
        dbf.Insert();
        if (popravi >= 0)
            TApolloField(&dbf, popravi).setAsString(QStringLiteral("*"));
        for (qsizetype i = 0; i < polja.size(); ++i) {
            const Polje &p = polja.at(i);
            TApolloField f(&dbf, p.dbf);
            if (p.dbfDatum) {
                const TOracleValue v = q.Field(p.query);
                if (!v.IsNull())
                    f.setAsDateTime(v.AsDateTime());
                continue;
            }
            f.setAsString(besedila.at(i));
        }
        dbf.Post();
        q.Next();
        ++stevec;
        if (stevec % 100 == 0) {
            if (napredek && napredek->prikazi)
                napredek->prikazi(stevec);
            if (ctx.ui)
                ctx.ui->processEvents();
        }
    }
    q.Close();
    if (napredek && napredek->prikazi)
        napredek->prikazi(stevec);
    dbf.Close();
    if (!ctx.pAutomatika && ctx.ui)
        ctx.ui->showMessage(QStringLiteral("PODATKI SO PRIPRAVLJENI"));
    return stevec;
}
