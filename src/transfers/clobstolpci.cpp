#include "transfers/clobstolpci.h"

#include "dbf/apollo.h"
#include "oracle/oracle.h"
#include "run/schemanames.h"
#include "run/context.h"
#include "base/text.h"

TClobStolpci::TClobStolpci(QString tabela, QString kljuc) : m_tabela(std::move(tabela)), m_kljuc(std::move(kljuc)) {}

TClobStolpci::~TClobStolpci() = default;

void TClobStolpci::pripravi(TMoxContext &ctx)
{
    m_clobi.clear();
    m_stavki.clear();
    TOracleDataSet q(&ctx.osOracle);
    q.SQL << QStringLiteral("select column_name from all_tab_columns where owner=:upor and table_name=:tabela "
                            "and data_type='CLOB'");
    q.DeclareVariable(QStringLiteral("upor"), otString);
    q.DeclareVariable(QStringLiteral("tabela"), otString);
    q.SetVariable(QStringLiteral("upor"), moxtext::upperAZ(ctx.currUserAsTavo));
    q.SetVariable(QStringLiteral("tabela"), m_tabela);
    for (q.Open(); !q.Eof(); q.Next())
        m_clobi.insert(moxtext::upperAZ(q.Field(0).AsString()));
    q.Close();

    const QString kljuc = m_kljuc.toLower();
    for (const QString &c : std::as_const(m_clobi)) {
        auto s = std::make_unique<TOracleQuery>(&ctx.osOracle);
        const QString sql = QStringLiteral("update tavo.") + m_tabela.toLower() + QStringLiteral(" set ") + c +
                            QStringLiteral("=empty_clob() where ") + kljuc + QStringLiteral("=:") + kljuc +
                            moxtext::crlf + QStringLiteral(" returning ") + c + QStringLiteral(" into :") + c;
        s->SQL = QStringList{zamenjave(sql, QStringLiteral("SQL"), ctx)};
        s->DeclareVariable(kljuc, otInteger);
        s->DeclareVariable(c, otCLOB);
        m_stavki.emplace(c, std::move(s));
    }
}

void TClobStolpci::zapisi(TMoxContext &ctx, TApolloDataSet &dbf, const QVariant &kljuc)
{
    for (auto &[stolpec, stavek] : m_stavki) {
        const int polje = dbf.FieldIndex(stolpec);
        if (polje < 0)
            continue;
        const QString tekst = TApolloField(&dbf, polje).AsString();
        if (tekst.isEmpty())
            continue;
        TLOBLocator lob(&ctx.osOracle, otCLOB);
        stavek->SetVariable(m_kljuc.toLower(), kljuc);
        stavek->SetComplexVariable(stolpec, &lob);
        stavek->Execute();
        lob.Write(tekst);
        stavek->SetComplexVariable(stolpec, nullptr);
    }
}
