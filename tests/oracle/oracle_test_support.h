#pragma once
// Small embedded databases for the layer's tests: a scratch MOX_DB_ROOT with
// one database, its users, and helpers that run statements and return rows
// as "a|b|c" lines.
#include "oracle/embedded/database.h"
#include "oracle/oracle.h"
#include "support/testenv.h"

#include <gtest/gtest.h>

#include <memory>

namespace oratest {

// Statements separated by lines holding only "/" (so that blocks and
// triggers can stand among them).
inline QStringList splitSlash(const QString &script)
{
    QStringList out;
    for (const QString &part : script.split(QStringLiteral("\n/\n"), Qt::SkipEmptyParts))
        if (!part.trimmed().isEmpty())
            out << part.trimmed();
    return out;
}

// A session of a user of an embedded database (the password: the user's
// name in lower case, as Db makes its users).
inline std::unique_ptr<TOracleSession> logonTo(const QString &alias, const QString &user)
{
    auto s = std::make_unique<TOracleSession>();
    s->LogonDatabase = alias;
    s->LogonUsername = user;
    s->LogonPassword = user.toLower();
    s->setConnected(true);
    return s;
}

class Db {
public:
    explicit Db(const QStringList &users = {QStringLiteral("TAVO")}, const QString &alias = QStringLiteral("TESTDB"))
        : m_alias(alias)
    {
        oraembed::createDatabase(alias);
        for (const QString &u : users)
            oraembed::createUser(alias, u, u.toLower());
    }
    const QString &alias() const { return m_alias; }
    const TestEnv &env() const { return m_env; }

    std::unique_ptr<TOracleSession> logon(const QString &user = QStringLiteral("TAVO")) const
    {
        return logonTo(m_alias, user);
    }

private:
    TestEnv m_env;
    QString m_alias;
};

inline void exec(TOracleSession &s, const QString &sql)
{
    TOracleQuery q(&s);
    q.SQL << sql;
    q.Execute();
}

inline void execAll(TOracleSession &s, const QString &script)
{
    for (const QString &st : splitSlash(script))
        exec(s, st);
}

// Rows of a query, each as its values in the layer's text form joined by "|".
inline QStringList rows(TOracleSession &s, const QString &sql)
{
    TOracleDataSet q(&s);
    q.SQL << sql;
    q.Open();
    QStringList out;
    for (; !q.Eof(); q.Next()) {
        QStringList vals;
        for (int i = 0; i < q.FieldCount(); ++i)
            vals << q.Field(i).AsString();
        out << vals.join(u'|');
    }
    q.Close();
    return out;
}

// The message of the error a statement raises, or an empty text.
inline QString errorOf(TOracleSession &s, const QString &sql)
{
    try {
        TOracleDataSet q(&s);
        q.SQL << sql;
        q.Open();
        q.Close();
    } catch (const EMoxError &e) {
        return e.message();
    }
    return QString();
}

} // namespace oratest
