#include "support/testenv.h"

#include <QDir>
#include <QFileInfo>

TestEnv::TestEnv()
{
    m_oldIni = qgetenv("MOX_INI");
    m_oldRoot = qgetenv("MOX_DB_ROOT");
    QDir().mkpath(dbRoot());
    qputenv("MOX_INI", iniPath().toLocal8Bit());
    qputenv("MOX_DB_ROOT", dbRoot().toLocal8Bit());
}

TestEnv::~TestEnv()
{
    qputenv("MOX_INI", m_oldIni);
    qputenv("MOX_DB_ROOT", m_oldRoot);
}

QString TestEnv::path(const QString &name) const { return QDir(m_dir.path()).filePath(name); }

QString TestEnv::sourceDir()
{
    const QString s = qEnvironmentVariable("MOX_SOURCE_DIR");
    return s.isEmpty() ? QStringLiteral(MOX_TEST_SOURCE_DIR) : s;
}

QString TestEnv::binaryDir()
{
    const QString s = qEnvironmentVariable("MOX_BINARY_DIR");
    return s.isEmpty() ? QStringLiteral(MOX_TEST_BINARY_DIR) : s;
}
