#pragma once
// Two embedded databases made from the served schema, an exporting and a
// receiving installation, and a context whose session moves between them:
// what the round-trip tests of the general tables share.
#include "dbf/apollo.h"
#include "general/general.h"
#include "run/context.h"
#include "base/interaction.h"
#include "support/recordingui.h"
#include "support/testenv.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace roundtrip {

using RecordingUi = ::RecordingUi;

// Creates an embedded database with the served schema (users TAVO, FAKTUR and
// ORNA_UTIL, password = name). Empty on success, else what failed.
QString makeDatabase(const QString &alias);
// Runs the mox-db tool with args. Empty on success, else what failed.
QString runMoxDb(const QStringList &args);

class RoundTrip : public ::testing::Test {
public:
    static constexpr const char *kIzvoz = "IZVOZ";
    static constexpr const char *kUvoz = "UVOZ";

    void SetUp() override;
    void TearDown() override;

    // Logs the context's session on to alias as user (password = user).
    void connect(const QString &alias, const QString &user = QStringLiteral("TAVO"));
    // Runs statements on the session and commits.
    void exec(std::initializer_list<const char *> statements);
    // Rows of a query, columns joined by "|", rows by ",".
    QString rows(const QString &query);

    // Writes a structure file into the save directory; returns its path.
    QString structure(const QString &fileName, const QStringList &lines);
    // Reads the structure and creates its empty DBF.
    void createDbf(const QString &strPath, bool detail = false);
    // Sets a field of the DBF records whose field key has the value keyValue.
    void editDbf(const QString &dbfPath, const QString &key, const QString &keyValue, const QString &field,
                 const QString &value);
    // Records of a DBF: the named fields joined by "|", records by ",".
    QString dbfRows(const QString &dbfPath, const QStringList &fields);
    QStringList resultLines(const QString &table);
    QStringList logLines();

    TestEnv env;
    RecordingUi ui;
    TMoxContext ctx;
};

} // namespace roundtrip
