#include "corpus.h"

#include "run/schemanames.h"
#include "run/runstate.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

namespace corpus {

QString toolPath()
{
    return TestEnv::binaryDir() + QStringLiteral("/tools/mox-db/mox-db");
}

ToolResult runTool(const QStringList &args)
{
    ToolResult r;
    QProcess p;
    p.start(toolPath(), args);
    if (!p.waitForStarted(30000)) {
        r.err = QStringLiteral("cannot start ") + toolPath();
        return r;
    }
    p.waitForFinished(120000);
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

namespace {
QString step(const QStringList &args)
{
    const ToolResult r = runTool(args);
    if (r.exitCode == 0)
        return {};
    return QStringLiteral("mox-db ") + args.join(u' ') + QStringLiteral(" failed (") + QString::number(r.exitCode) +
           QStringLiteral("): ") + r.err.trimmed();
}

QString schemaUser(const QString &alias, const QString &user, const QString &script)
{
    const QString dir = TestEnv::sourceDir() + QStringLiteral("/fixtures/schema/");
    QString e = step({QStringLiteral("user"), alias, user, user});
    if (e.isEmpty())
        e = step({QStringLiteral("sql"), alias, user, user, dir + script});
    return e;
}
} // namespace

QString makeDatabase(const QString &alias, bool multi)
{
    QString e = step({QStringLiteral("create"), alias});
    if (e.isEmpty())
        e = schemaUser(alias, QStringLiteral("ORNA_UTIL"), QStringLiteral("orna_util.sql"));
    if (e.isEmpty())
        e = schemaUser(alias, QStringLiteral("TAVO"), QStringLiteral("tavo.sql"));
    if (e.isEmpty())
        e = schemaUser(alias, QStringLiteral("FAKTUR"), QStringLiteral("faktur.sql"));
    if (!multi || !e.isEmpty())
        return e;
    for (const char *k : {"A", "B"}) {
        const QString suffix = QStringLiteral("_") + QLatin1String(k);
        if (e.isEmpty())
            e = schemaUser(alias, QStringLiteral("TAVO") + suffix, QStringLiteral("tavo.sql"));
        if (e.isEmpty())
            e = schemaUser(alias, QStringLiteral("FAKTUR") + suffix, QStringLiteral("faktur.sql"));
    }
    if (!e.isEmpty())
        return e;
    const QString rowsFile = QDir(qEnvironmentVariable("MOX_DB_ROOT")).filePath(QStringLiteral("installations.sql"));
    QFile f(rowsFile);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QStringLiteral("cannot write ") + rowsFile;
    QTextStream out(&f);
    int index = 1;
    for (const char *k : {"A", "B"}) {
        const QString t = QStringLiteral("TAVO_") + QLatin1String(k);
        const QString fa = QStringLiteral("FAKTUR_") + QLatin1String(k);
        out << "insert into ORNA_INSTALATIONS (USERNAME, INSTANCE, USER_TAVO, PASS_TAVO, USER_FAKTUR, PASS_FAKTUR, "
               "USERINDEX, LASTSCRIPTSTATUS) values ('"
            << t << "', '" << alias << "', '" << t << "', '" << t << "', '" << fa << "', '" << fa << "', " << index++
            << ", null);\n";
    }
    out.flush();
    f.close();
    return step({QStringLiteral("sql"), alias, QStringLiteral("ORNA_UTIL"), QStringLiteral("ORNA_UTIL"), rowsFile});
}

QStringList sql(const QStringList &lines)
{
    const TRunState defaults;
    return zamenjave(lines.join(QStringLiteral("\r\n")), QStringLiteral("SQL"), defaults).split(QStringLiteral("\r\n"));
}

QStringList sql(std::initializer_list<const char *> lines)
{
    return sql(literal(lines));
}

QStringList literal(std::initializer_list<const char *> lines)
{
    QStringList l;
    for (const char *s : lines)
        l << QString::fromUtf8(s);
    return l;
}

namespace {
void bindAll(TOracleStatementBase &st, const Binds &binds)
{
    for (const Bind &b : binds) {
        st.DeclareVariable(b.name, b.type);
        st.SetVariable(b.name, b.value);
    }
}
} // namespace

std::string select(TOracleSession &s, const QStringList &text, const Binds &binds, const QStringList &columns)
{
    TOracleDataSet q(&s);
    q.SQL = text;
    bindAll(q, binds);
    q.Open();
    QStringList out;
    while (!q.Eof()) {
        QStringList row;
        for (const QString &c : columns)
            row << q.FieldByName(c).AsString();
        out << row.join(u'|');
        q.Next();
    }
    q.Close();
    return out.join(u'\n').toStdString();
}

int execute(TOracleSession &s, const QStringList &text, const Binds &binds)
{
    TOracleQuery q(&s);
    q.SQL = text;
    bindAll(q, binds);
    q.Execute();
    return q.RowsProcessed();
}

TOracleValue block(TOracleSession &s, const QStringList &text, const QString &outName, TOracleType outType,
                   const Binds &binds)
{
    TOracleDataSet q(&s);
    q.SQL = text;
    bindAll(q, binds);
    q.DeclareVariable(outName, outType);
    q.Open();
    q.Close();
    return q.GetVariable(outName);
}

void run(TOracleSession &s, std::initializer_list<const char *> statements)
{
    for (const char *st : statements) {
        TOracleQuery q(&s);
        q.SQL = QStringList{QString::fromUtf8(st)};
        q.Execute();
    }
    s.Commit();
}

QString value(TOracleSession &s, const QString &query)
{
    TOracleDataSet q(&s);
    q.SQL = QStringList{query};
    q.Open();
    const QString v = q.Eof() ? QStringLiteral("<no row>") : q.Field(0).AsString();
    q.Close();
    return v;
}

std::string rows(std::initializer_list<const char *> lines)
{
    QStringList l;
    for (const char *s : lines)
        l << QString::fromUtf8(s);
    return l.join(u'\n').toStdString();
}

std::string sorted(const std::string &table)
{
    QStringList l = QString::fromStdString(table).split(u'\n');
    l.sort();
    return l.join(u'\n').toStdString();
}

QDateTime dt(const char *text)
{
    return QDateTime::fromString(QString::fromLatin1(text), QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

namespace {
// Databases made from the fixture once per program run (one plain, one with
// installations); every test gets its own copy of the folder.
struct Template {
    QTemporaryDir root;
    QString error;
    bool made = false;
};

Template &templateDb(bool multi)
{
    static Template plain, withInstallations;
    Template &t = multi ? withInstallations : plain;
    if (!t.made) {
        t.made = true;
        const QByteArray saved = qgetenv("MOX_DB_ROOT");
        qputenv("MOX_DB_ROOT", t.root.path().toLocal8Bit());
        t.error = makeDatabase(QLatin1String(StatementsTest::kAlias), multi);
        qputenv("MOX_DB_ROOT", saved);
    }
    return t;
}

bool copyFolder(const QString &from, const QString &to)
{
    if (!QDir().mkpath(to))
        return false;
    const QDir src(from);
    for (const QString &name : src.entryList(QDir::Files))
        if (!QFile::copy(src.filePath(name), QDir(to).filePath(name)))
            return false;
    return true;
}
} // namespace

void StatementsTest::SetUp()
{
    const Template &t = templateDb(multi());
    ASSERT_TRUE(t.error.isEmpty()) << t.error.toStdString();
    const QString alias = QLatin1String(kAlias);
    ASSERT_TRUE(copyFolder(QDir(t.root.path()).filePath(alias), QDir(env.dbRoot()).filePath(alias)));
    logon(session, QStringLiteral("TAVO"), QStringLiteral("TAVO"));
}

void StatementsTest::logon(TOracleSession &s, const QString &user, const QString &password)
{
    s.LogonUsername = user;
    s.LogonPassword = password;
    s.LogonDatabase = QString::fromLatin1(kAlias);
    try {
        s.setConnected(true);
    } catch (const EMoxError &e) {
        FAIL() << "logon " << user.toStdString() << ": " << e.what();
    }
}

} // namespace corpus
