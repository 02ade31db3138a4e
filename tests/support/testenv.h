#pragma once
// Helpers shared by the tests: a private scratch folder per test, with the
// settings file and the embedded database root pointed into it.
#include <QString>
#include <QTemporaryDir>

class TestEnv {
public:
    // Creates a scratch folder and sets MOX_INI (settings file) and
    // MOX_DB_ROOT (embedded databases) to places inside it.
    TestEnv();
    ~TestEnv();
    QString dir() const { return m_dir.path(); }
    QString path(const QString &name) const;   // a file or folder inside dir()
    QString iniPath() const { return path(QStringLiteral("MONITOR.INI")); }
    QString dbRoot() const { return path(QStringLiteral("db")); }

    // Folders of the source and build trees (set by CTest).
    static QString sourceDir();
    static QString binaryDir();

private:
    QTemporaryDir m_dir;
    QByteArray m_oldIni, m_oldRoot;
};
