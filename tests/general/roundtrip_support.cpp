#include "roundtrip_support.h"

#include "general/manifest.h"

#include "log/runlog.h"
#include "base/paths.h"
#include "base/text.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace roundtrip {

namespace {

QString tool()
{
    return TestEnv::binaryDir() + QStringLiteral("/tools/mox-db/mox-db");
}

QString step(const QStringList &args)
{
    QProcess p;
    p.start(tool(), args);
    if (!p.waitForStarted(30000))
        return QStringLiteral("cannot start ") + tool();
    p.waitForFinished(120000);
    if (p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
        return {};
    return QStringLiteral("mox-db ") + args.join(u' ') + QStringLiteral(": ") +
           QString::fromUtf8(p.readAllStandardError()).trimmed();
}

} // namespace

QString runMoxDb(const QStringList &args)
{
    return step(args);
}

QString makeDatabase(const QString &alias)
{
    const QString dir = TestEnv::sourceDir() + QStringLiteral("/fixtures/schema/");
    QString e = step({QStringLiteral("create"), alias});
    for (const char *u : {"ORNA_UTIL", "TAVO", "FAKTUR"}) {
        const QString user = QString::fromLatin1(u);
        const QString script = dir + user.toLower() + QStringLiteral(".sql");
        if (e.isEmpty())
            e = step({QStringLiteral("user"), alias, user, user});
        if (e.isEmpty())
            e = step({QStringLiteral("sql"), alias, user, user, script});
    }
    return e;
}

void RoundTrip::SetUp()
{
    for (const char *a : {kIzvoz, kUvoz}) {
        const QString e = makeDatabase(QString::fromLatin1(a));
        ASSERT_TRUE(e.isEmpty()) << e.toStdString();
    }
    QDir().mkpath(env.path(QStringLiteral("save")));
    QDir().mkpath(env.path(QStringLiteral("log")));
    ctx.currSaveDir = moxpath::withTrailingSeparator(env.path(QStringLiteral("save")));
    ctx.currDirLog = moxpath::withTrailingSeparator(env.path(QStringLiteral("log")));
    ctx.ui = &ui;
    ctx.pAutomatika = false;
}

void RoundTrip::TearDown()
{
    ctx.taDBF.Close();
    if (ctx.osOracle.Connected())
        ctx.osOracle.setConnected(false);
}

void RoundTrip::connect(const QString &alias, const QString &user)
{
    if (ctx.osOracle.Connected())
        ctx.osOracle.setConnected(false);
    ctx.osOracle.LogonUsername = user;
    ctx.osOracle.LogonPassword = user;
    ctx.osOracle.LogonDatabase = alias;
    ctx.osOracle.setConnected(true);
    ctx.currUser = user;
    ctx.currServer = alias;
    ctx.currPassword = user;
    // The run history is written when the table can be read.
    try {
        TOracleDataSet q(&ctx.osOracle);
        q.SQL << QStringLiteral("select * from orna_util.orna_mox");
        q.Open();
        q.Close();
        ctx.p_moxShrani = true;
    } catch (const EMoxError &) {
        ctx.p_moxShrani = false;
    }
}

void RoundTrip::exec(std::initializer_list<const char *> statements)
{
    TOracleQuery q(&ctx.osOracle);
    for (const char *s : statements) {
        q.Clear();
        q.SQL << QString::fromUtf8(s);
        q.Execute();
    }
    ctx.osOracle.Commit();
}

QString RoundTrip::rows(const QString &query)
{
    TOracleDataSet q(&ctx.osOracle);
    q.SQL << query;
    q.Open();
    QStringList out;
    while (!q.Eof()) {
        QStringList r;
        for (int i = 0; i < q.FieldCount(); ++i)
            r << q.Field(i).AsString();
        out << r.join(u'|');
        q.Next();
    }
    q.Close();
    return out.join(u',');
}

QString RoundTrip::structure(const QString &fileName, const QStringList &lines)
{
    const QString path = ctx.currSaveDir + fileName;
    moxtext::writeTextLines(path, lines);
    return path;
}

void RoundTrip::createDbf(const QString &strPath, bool detail)
{
    TTableDescription opis;
    TStrukturaOkolje okolje; // the DBF follows the file; no column checks
    razcleniStrukturo(moxtext::readTextLines(strPath), okolje, opis);
    const QString dbf = strPath.left(strPath.size() - 4);
    ASSERT_TRUE(kreirajDBFzaStrukturo(ctx, opis, dbf, detail)) << ui.messages.join('\n').toStdString();
    ctx.taDBF.Close();
}

void RoundTrip::editDbf(const QString &dbfPath, const QString &key, const QString &keyValue, const QString &field,
                        const QString &value)
{
    TApolloDataSet t;
    t.TableName = dbfPath;
    t.Open();
    for (t.First(); !t.Eof(); t.Next()) {
        if (t.FieldByName(key).AsString() == keyValue) {
            t.Edit();
            t.FieldByName(field).setAsString(value);
            t.Post();
        }
    }
    t.Close();
    // A package edited by hand is no longer what its preparation wrote: it
    // goes on without the manifest, as packages of earlier versions do.
    QFile::remove(QFileInfo(dbfPath).absoluteDir().filePath(QString::fromLatin1(kImeManifesta)));
}

QString RoundTrip::dbfRows(const QString &dbfPath, const QStringList &fields)
{
    TApolloDataSet t;
    t.TableName = dbfPath;
    t.Open();
    QStringList out;
    for (t.First(); !t.Eof(); t.Next()) {
        QStringList r;
        for (const QString &f : fields)
            r << t.FieldByName(f).AsString();
        out << r.join(u'|');
    }
    t.Close();
    return out.join(u',');
}

QStringList RoundTrip::resultLines(const QString &table)
{
    return moxtext::readTextLines(ctx.currSaveDir + QStringLiteral("rezultati") + moxpath::separator() + table +
                                  QStringLiteral(".rez"));
}

QStringList RoundTrip::logLines()
{
    const QString f = imeLogDatoteke(ctx);
    if (!QFileInfo::exists(f))
        return {};
    return moxtext::readTextLines(f);
}

} // namespace roundtrip
