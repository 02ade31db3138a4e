// mox-db: the command-line tool for embedded databases under MOX_DB_ROOT.
//
//   mox-db create ALIAS
//   mox-db user ALIAS NAME PASSWORD
//   mox-db sql ALIAS USER PASSWORD FILE
//   mox-db query ALIAS USER PASSWORD "SELECT ..."
//
// Exit status 0 on success; otherwise a message on standard error and 1
// (2 for a wrong command line).
#include "oracle/embedded/database.h"
#include "oracle/embedded/script.h"
#include "oracle/oracle.h"
#include "base/text.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringDecoder>
#include <QTextStream>

#include <cstdio>

namespace {

int usage()
{
    std::fputs("usage: mox-db create ALIAS\n"
               "       mox-db user ALIAS NAME PASSWORD\n"
               "       mox-db sql ALIAS USER PASSWORD FILE\n"
               "       mox-db query ALIAS USER PASSWORD \"SELECT ...\"\n",
               stderr);
    return 2;
}

void err(const QString &msg) { std::fprintf(stderr, "mox-db: %s\n", msg.toLocal8Bit().constData()); }

QString csvField(const QString &s)
{
    if (s.contains(u',') || s.contains(u'"') || s.contains(u'\n') || s.contains(u'\r')) {
        QString q = s;
        q.replace(u'"', QStringLiteral("\"\""));
        return u'"' + q + u'"';
    }
    return s;
}

// Script text: UTF-8, or Windows-1250 when it is not valid UTF-8.
QStringList readScript(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw EMoxError(QStringLiteral("cannot read %1: %2").arg(path, f.errorString()));
    const QByteArray bytes = f.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (utf8.hasError())
        text = moxtext::fromCp1250(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void logon(TOracleSession &s, const QString &alias, const QString &user, const QString &password)
{
    s.LogonDatabase = alias;
    s.LogonUsername = user;
    s.LogonPassword = password;
    s.setConnected(true);
}

int runScript(const QStringList &a)
{
    const QString &file = a[4];
    std::vector<oraembed::ScriptStatement> statements;
    try {
        statements = oraembed::splitScript(readScript(file));
    } catch (const EMoxError &e) {
        err(file + QStringLiteral(": ") + e.message());
        return 1;
    }
    TOracleSession session;
    try {
        logon(session, a[1], a[2], a[3]);
    } catch (const EMoxError &e) {
        err(e.message());
        return 1;
    }
    TOracleQuery q(&session);
    for (const oraembed::ScriptStatement &st : statements) {
        try {
            q.Clear();
            q.SQL << st.text;
            q.Execute();
        } catch (const EMoxError &e) {
            err(QStringLiteral("%1 line %2: %3").arg(file).arg(st.line).arg(e.message()));
            try {
                session.Rollback();
            } catch (const EMoxError &) {
            }
            return 1;
        }
    }
    try {
        session.Commit();
    } catch (const EMoxError &e) {
        err(e.message());
        return 1;
    }
    return 0;
}

int runQuery(const QStringList &a)
{
    TOracleSession session;
    QTextStream out(stdout);
    out.setEncoding(QStringConverter::Utf8);
    try {
        logon(session, a[1], a[2], a[3]);
        TOracleDataSet q(&session);
        q.SQL << a[4];
        q.Open();
        QStringList header;
        for (int i = 0; i < q.FieldCount(); ++i)
            header << csvField(q.FieldName(i));
        out << header.join(u',') << '\n';
        for (; !q.Eof(); q.Next()) {
            QStringList row;
            for (int i = 0; i < q.FieldCount(); ++i)
                row << csvField(q.Field(i).AsString());
            out << row.join(u',') << '\n';
        }
        q.Close();
    } catch (const EMoxError &e) {
        out.flush();
        err(e.message());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList a = app.arguments();
    a.removeFirst();
    if (a.isEmpty())
        return usage();
    const QString cmd = a[0];
    try {
        if (cmd == QLatin1String("create") && a.size() == 2) {
            oraembed::createDatabase(a[1]);
            return 0;
        }
        if (cmd == QLatin1String("user") && a.size() == 4) {
            oraembed::createUser(a[1], a[2], a[3]);
            return 0;
        }
    } catch (const EMoxError &e) {
        err(e.message());
        return 1;
    }
    if (cmd == QLatin1String("sql") && a.size() == 5)
        return runScript(a);
    if (cmd == QLatin1String("query") && a.size() == 5)
        return runQuery(a);
    return usage();
}
