#pragma once
// Helpers of the statement corpus tests: an embedded database made from the
// served schema in fixtures/schema with the mox-db tool, a logged-on session,
// and short ways to run a statement with bound variables and to read its rows
// as text.
#include "oracle/oracle.h"
#include "support/testenv.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <QVariant>

#include <initializer_list>
#include <string>
#include <vector>

namespace corpus {

struct ToolResult {
    int exitCode = -1;
    QString out;
    QString err;
};

// Path of the mox-db program of this build.
QString toolPath();
// Runs mox-db with the arguments (under the current MOX_DB_ROOT).
ToolResult runTool(const QStringList &args);

// Creates ALIAS with the users TAVO, FAKTUR and ORNA_UTIL (password = name)
// and their tables; with multi also TAVO_A/FAKTUR_A and TAVO_B/FAKTUR_B with
// their rows in ORNA_UTIL.ORNA_INSTALATIONS. Returns an empty text on success,
// else what failed.
QString makeDatabase(const QString &alias, bool multi);

// Statement text as the transfers set it: the lines joined with line breaks,
// passed through the schema-name substitution with the default names, and
// split back into lines.
QStringList sql(std::initializer_list<const char *> lines);
QStringList sql(const QStringList &lines);
// Statement text as written, without substitution.
QStringList literal(std::initializer_list<const char *> lines);

struct Bind {
    QString name;
    TOracleType type;
    QVariant value; // a null QVariant() binds Null
};
using Binds = std::vector<Bind>;

// Opens the query and returns the named columns of every row as text, one
// line per row with the values separated by "|".
std::string select(TOracleSession &s, const QStringList &text, const Binds &binds, const QStringList &columns);
// Executes a statement; returns the rows it wrote.
int execute(TOracleSession &s, const QStringList &text, const Binds &binds = {});
// Opens a PL/SQL block on a query object and returns the out variable.
TOracleValue block(TOracleSession &s, const QStringList &text, const QString &outName, TOracleType outType,
                   const Binds &binds = {});
// Executes one-line statements in order (test data); commits at the end.
void run(TOracleSession &s, std::initializer_list<const char *> statements);
// One value of a one-row query.
QString value(TOracleSession &s, const QString &query);

// Joins rows written as {"a|b", "c|d"} the way select() returns them.
std::string rows(std::initializer_list<const char *> lines);

// The lines of a select() result in sorted order (for results whose order the
// statement leaves open).
std::string sorted(const std::string &table);

// Date-time from "DD.MM.YYYY HH:MI:SS".
QDateTime dt(const char *text);

// A database made from the fixture and a session logged on as TAVO.
class StatementsTest : public ::testing::Test {
public:
    static constexpr const char *kAlias = "CORPUS";

protected:
    void SetUp() override;
    virtual bool multi() const { return false; }
    // Logs a further session on to the test database.
    void logon(TOracleSession &s, const QString &user, const QString &password);

    TestEnv env;
    TOracleSession session;
};

} // namespace corpus
