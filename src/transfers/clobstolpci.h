#pragma once
// Text columns that are CLOBs at the receiving installation (a print form's
// template, for instance). Such a text cannot pass whole as a text variable
// of an insert or update: the statement binds the column as null, and the
// text is written afterwards into the row's CLOB through a locator, before
// the commit.
#include <QSet>
#include <QString>
#include <QVariant>

#include <map>
#include <memory>

struct TMoxContext;
class TApolloDataSet;
class TOracleQuery;

class TClobStolpci {
public:
    // tabela: a table of the application schema ("KA900REP"); kljuc: the
    // whole-number key column that names one row ("SIFRA900").
    TClobStolpci(QString tabela, QString kljuc);
    ~TClobStolpci();
    TClobStolpci(const TClobStolpci &) = delete;
    TClobStolpci &operator=(const TClobStolpci &) = delete;

    // Reads which columns of the table are CLOBs in the installation's
    // application schema (ctx.currUserAsTavo) and prepares, for each, the
    // statement that writes it (its text through the schema-name
    // substitution). Database errors are raised.
    void pripravi(TMoxContext &ctx);
    // True for a column (upper case) that is a CLOB there.
    bool jeClob(const QString &stolpec) const { return m_clobi.contains(stolpec); }
    // Writes the texts of the DBF record's fields named as the CLOB columns
    // into the row whose key is kljuc; empty texts stay as the statement left
    // them (null). Database errors are raised (the caller rolls back).
    void zapisi(TMoxContext &ctx, TApolloDataSet &dbf, const QVariant &kljuc);

private:
    QString m_tabela;
    QString m_kljuc;
    QSet<QString> m_clobi;
    std::map<QString, std::unique_ptr<TOracleQuery>> m_stavki;
};
