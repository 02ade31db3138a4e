// The embedded engine's DDL: CREATE, ALTER and DROP of tables, indexes,
// sequences, triggers and views, and TRUNCATE. Each statement commits the
// open transaction first, then changes the schema file and the catalog in a
// transaction of its own that also moves the DDL version on.
#include "oracle/embedded/session.h"

#include "oracle/embedded/sqliteutil.h"
#include "oracle/oravalues.h"
#include "base/moxerror.h"

#include <QDateTime>

namespace oraembed {

namespace {

[[noreturn]] void fail(const QString &m) { throw EMoxError(m); }

// The SQLite column type that holds an Oracle type's values.
QString affinityOf(const QString &dataType)
{
    if (dataType == QLatin1String("NUMBER") || dataType == QLatin1String("FLOAT"))
        return QStringLiteral("NUMERIC");
    if (dataType == QLatin1String("BLOB"))
        return QStringLiteral("BLOB");
    return QStringLiteral("TEXT");
}

// The catalog description of a column as CREATE or ALTER TABLE defines it.
ColumnInfo columnInfo(const ColumnDef &c, int id)
{
    ColumnInfo ci;
    ci.name = c.name;
    ci.dataType = c.dataType;
    ci.length = c.length;
    ci.precision = c.precision;
    ci.scale = c.scale;
    ci.nullable = !c.notNull;
    ci.id = id;
    ci.defaultSource = c.defaultSource;
    return ci;
}

// One statement on the catalog, prepared, bound and run in a single
// expression: Exec(this, sql).text(1, a).num(2, b).run().
struct Exec {
    EmbeddedSession *s;
    sqlite3_stmt *st = nullptr;
    Exec(EmbeddedSession *session, const QString &sql) : s(session), st(session->prepare(sql)) {}
    ~Exec() { sqlite3_finalize(st); }
    Exec &text(int i, const QString &v)
    {
        if (v.isNull())
            sqlite3_bind_null(st, i);
        else
            bindText(st, i, v);
        return *this;
    }
    Exec &num(int i, qint64 v, bool null = false)
    {
        if (null)
            sqlite3_bind_null(st, i);
        else
            sqlite3_bind_int64(st, i, v);
        return *this;
    }
    void run()
    {
        if (sqlite3_step(st) != SQLITE_DONE)
            s->raise();
    }
};

} // namespace

void EmbeddedSession::requireUser(const QString &owner)
{
    if (!userExists(owner))
        fail(QStringLiteral("ORA-01918: user '%1' does not exist").arg(owner));
}

bool EmbeddedSession::objectExists(const QString &owner, const QString &name)
{
    sqlite3_stmt *st = cached(QStringLiteral(
        "SELECT 1 FROM mox_tables WHERE owner = ?1 AND table_name = ?2 UNION ALL "
        "SELECT 1 FROM mox_sequences WHERE owner = ?1 AND sequence_name = ?2 UNION ALL "
        "SELECT 1 FROM mox_indexes WHERE owner = ?1 AND index_name = ?2 UNION ALL "
        "SELECT 1 FROM mox_constraints WHERE owner = ?1 AND constraint_name = ?2 AND constraint_type IN ('P','U')%1")
                                  .arg(m_hasViews ? QStringLiteral(" UNION ALL SELECT 1 FROM mox_views WHERE owner = ?1 "
                                                                   "AND view_name = ?2")
                                                  : QString()));
    Reset g{st};
    bindText(st, 1, owner);
    bindText(st, 2, name);
    return sqlite3_step(st) == SQLITE_ROW;
}

void EmbeddedSession::beginDdl()
{
    commit(); // DDL commits the open transaction first, as in Oracle
    drainPending();
    exec(QStringLiteral("BEGIN"));
}

template <class F> void EmbeddedSession::inDdl(F &&body)
{
    beginDdl();
    try {
        body();
    } catch (...) {
        endDdl(false);
        throw;
    }
    endDdl(true);
}

void EmbeddedSession::endDdl(bool ok)
{
    if (ok) {
        exec(QStringLiteral("UPDATE mox_info SET value = value + 1 WHERE key = 'ddl_version'"));
        exec(QStringLiteral("COMMIT"));
        m_clock.tick(); // other sessions reload what they know of the tables
    } else {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    m_tables.clear();
    m_users.clear();
    m_cachedVersion = -1;
    applySync();
}

QString EmbeddedSession::newConstraintName()
{
    sqlite3_stmt *st = cached(QStringLiteral(
        "UPDATE mox_info SET value = value + 1 WHERE key = 'next_constraint' RETURNING value - 1"));
    Reset g{st};
    qint64 n = 1;
    if (sqlite3_step(st) == SQLITE_ROW)
        n = sqlite3_column_int64(st, 0);
    while (sqlite3_step(st) == SQLITE_ROW) {
    }
    return QStringLiteral("SYS_C%1").arg(n, 6, 10, QLatin1Char('0'));
}


void EmbeddedSession::ddlCreateTable(const Stmt &s)
{
    const QString owner = ownerOf(s.table);
    const QString name = s.table.last();
    requireUser(owner);
    if (objectExists(owner, name))
        fail(QStringLiteral("ORA-00955: name is already used by an existing object (%1.%2)").arg(owner, name));
    TableInfo info;
    info.owner = owner;
    info.name = name;
    QStringList defs = tableColumns(s, info);
    inDdl([&] {
        const std::vector<NamedConstraint> named = constraintClauses(s, info, defs);
        for (const NamedConstraint &n : named)
            if ((n.type == 'P' || n.type == 'U') && objectExists(owner, n.name))
                fail(QStringLiteral("ORA-00955: name is already used by an existing object (%1)").arg(n.name));
        ensureAttached({owner});
        exec(QStringLiteral("CREATE TABLE %1.%2 (%3)")
                 .arg(Translator::quote(owner), Translator::quote(name), defs.join(QStringLiteral(", "))));
        writeTableCatalog(info, named);
    });
}

// Checks CREATE TABLE's column names and the columns its constraints name,
// describes the columns in info (a primary-key column is mandatory), and
// gives the SQLite definitions of the columns.
QStringList EmbeddedSession::tableColumns(const Stmt &s, TableInfo &info)
{
    QSet<QString> seen;
    for (const ColumnDef &c : s.columnDefs) {
        if (seen.contains(c.name))
            fail(QStringLiteral("ORA-00957: duplicate column name (%1)").arg(c.name));
        seen.insert(c.name);
    }
    QSet<QString> pkCols;
    for (const ConstraintDef &k : s.constraints) {
        if (k.type == 'P')
            for (const QString &c : k.columns)
                pkCols.insert(c);
        for (const QString &c : k.columns)
            if (!seen.contains(c))
                fail(QStringLiteral("ORA-00904: \"%1\": invalid identifier").arg(c));
    }
    int id = 0;
    QStringList defs;
    for (const ColumnDef &c : s.columnDefs) {
        ColumnInfo ci = columnInfo(c, ++id);
        ci.nullable = ci.nullable && !pkCols.contains(c.name);
        info.columns.push_back(ci);
        defs << Translator::quote(c.name) + u' ' + affinityOf(c.dataType)
                    + (ci.nullable ? QString() : QStringLiteral(" NOT NULL"));
    }
    int pks = 0;
    for (const ConstraintDef &k : s.constraints)
        pks += k.type == 'P';
    if (pks > 1)
        fail(QStringLiteral("ORA-02260: table can have only one primary key"));
    return defs;
}

// The SQLite clauses of CREATE TABLE's primary key, unique and check
// constraints, added to defs, with the names the catalog records them under
// (a constraint without a name gets one). Foreign keys are recorded by nobody
// and not enforced.
std::vector<EmbeddedSession::NamedConstraint> EmbeddedSession::constraintClauses(const Stmt &s, const TableInfo &info,
                                                                                 QStringList &defs)
{
    Translator tr(*this, m_user);
    std::vector<NamedConstraint> named;
    for (const ConstraintDef &k : s.constraints) {
        const QString kname = k.name.isEmpty() ? newConstraintName() : k.name;
        if (k.type == 'P' || k.type == 'U') {
            QStringList cols;
            for (const QString &c : k.columns)
                cols << Translator::quote(c);
            defs << QStringLiteral("CONSTRAINT %1 %2 (%3)")
                        .arg(Translator::quote(kname),
                             k.type == 'P' ? QStringLiteral("PRIMARY KEY") : QStringLiteral("UNIQUE"), cols.join(u','));
            named.push_back({kname, k.type, k.columns});
        } else if (k.type == 'C') {
            defs << QStringLiteral("CONSTRAINT %1 CHECK (%2)").arg(Translator::quote(kname), tr.check(*k.check, info));
            named.push_back({kname, 'C', k.columns});
        }
    }
    return named;
}

// The catalog rows of a new table: the table (with its numeric single-column
// primary key, which getSequence keeps numbers above), its columns and its
// constraints.
void EmbeddedSession::writeTableCatalog(const TableInfo &info, const std::vector<NamedConstraint> &named)
{
    QString keyColumn;
    for (const NamedConstraint &n : named)
        if (n.type == 'P' && n.cols.size() == 1) {
            const ColumnInfo *c = info.column(n.cols[0]);
            if (c && c->dataType == QLatin1String("NUMBER"))
                keyColumn = c->name;
        }
    Exec(this, QStringLiteral("INSERT INTO mox_tables(owner, table_name, key_column, created) VALUES(?1,?2,?3,?4)"))
        .text(1, info.owner)
        .text(2, info.name)
        .text(3, keyColumn.isEmpty() ? QString() : keyColumn)
        .text(4, oravalue::isoText(QDateTime::currentDateTime()))
        .run();
    for (const ColumnInfo &c : info.columns)
        insertColumnRow(info.owner, info.name, c);
    for (const NamedConstraint &n : named)
        Exec(this, QStringLiteral("INSERT INTO mox_constraints(owner, constraint_name, constraint_type, table_name, "
                                  "columns) VALUES(?1,?2,?3,?4,?5)"))
            .text(1, info.owner)
            .text(2, n.name)
            .text(3, QString(QLatin1Char(n.type)))
            .text(4, info.name)
            .text(5, n.cols.join(u','))
            .run();
}

// A column's row in the catalog.
void EmbeddedSession::insertColumnRow(const QString &owner, const QString &table, const ColumnInfo &c)
{
    Exec(this, QStringLiteral("INSERT INTO mox_columns(owner, table_name, column_name, data_type, data_length, "
                              "data_precision, data_scale, nullable, column_id, data_default) "
                              "VALUES(?1,?2,?3,?4,?5,?6,?7,?8,?9,?10)"))
        .text(1, owner)
        .text(2, table)
        .text(3, c.name)
        .text(4, c.dataType)
        .num(5, c.length)
        .num(6, c.precision, c.precision < 0)
        .num(7, c.scale, c.scale < 0)
        .text(8, c.nullable ? QStringLiteral("Y") : QStringLiteral("N"))
        .num(9, c.id)
        .text(10, c.defaultSource.isEmpty() ? QString() : c.defaultSource)
        .run();
}

// An Oracle trigger stands in SQLite as one trigger per event, named after
// it with "$I", "$U" or "$D".
void EmbeddedSession::dropSqliteTriggers(const QString &tableOwner, const QString &sqliteName)
{
    for (const QChar ev : {u'I', u'U', u'D'})
        exec(QStringLiteral("DROP TRIGGER IF EXISTS %1.%2")
                 .arg(Translator::quote(tableOwner), Translator::quote(sqliteName + u'$' + ev)));
}

void EmbeddedSession::ddlCreateIndex(const Stmt &s)
{
    auto t = table(ownerOf(s.table), s.table.last());
    if (!t || t->dictionary)
        fail(QStringLiteral("ORA-00942: table or view does not exist (%1)").arg(s.table.join(u'.')));
    const QString owner = s.name.size() > 1 ? s.name[0] : t->owner;
    const QString name = s.name.last();
    if (owner != t->owner)
        fail(QStringLiteral("ORA-03001: unimplemented feature: an index in another schema than its table is not "
                            "supported by the embedded engine"));
    if (objectExists(owner, name))
        fail(QStringLiteral("ORA-00955: name is already used by an existing object (%1.%2)").arg(owner, name));
    QStringList cols;
    for (const QString &c : s.columns) {
        if (!t->column(c))
            fail(QStringLiteral("ORA-00904: \"%1\": invalid identifier").arg(c));
        cols << Translator::quote(c);
    }
    inDdl([&] {
        ensureAttached({owner});
        exec(QStringLiteral("CREATE %1INDEX %2.%3 ON %4 (%5)")
                 .arg(s.unique ? QStringLiteral("UNIQUE ") : QString(), Translator::quote(owner), Translator::quote(name),
                      Translator::quote(t->name), cols.join(u',')));
        Exec(this, QStringLiteral("INSERT INTO mox_indexes(owner, index_name, table_owner, table_name, uniqueness, "
                                  "columns) VALUES(?1,?2,?3,?4,?5,?6)"))
            .text(1, owner)
            .text(2, name)
            .text(3, t->owner)
            .text(4, t->name)
            .text(5, s.unique ? QStringLiteral("UNIQUE") : QStringLiteral("NONUNIQUE"))
            .text(6, s.columns.join(u','))
            .run();
    });
}

void EmbeddedSession::ddlCreateSequence(const Stmt &s)
{
    const QString owner = ownerOf(s.name);
    const QString name = s.name.last();
    requireUser(owner);
    if (objectExists(owner, name))
        fail(QStringLiteral("ORA-00955: name is already used by an existing object (%1.%2)").arg(owner, name));
    inDdl([&] {
        Exec(this, QStringLiteral("INSERT INTO mox_sequences(owner, sequence_name, last_number, increment_by) "
                                  "VALUES(?1,?2,?3,?4)"))
            .text(1, owner)
            .text(2, name)
            .num(3, s.startWith - s.incrementBy)
            .num(4, s.incrementBy)
            .run();
    });
}

void EmbeddedSession::ddlCreateTrigger(const Stmt &s)
{
    const QString owner = ownerOf(s.name);
    const QString name = s.name.last();
    requireUser(owner);
    auto t = table(ownerOf(s.table), s.table.last());
    if (!t || t->dictionary)
        fail(QStringLiteral("ORA-00942: table or view does not exist (%1)").arg(s.table.join(u'.')));
    QString oldSqliteName, oldTableOwner, oldStatus;
    bool exists = false;
    {
        sqlite3_stmt *st = cached(QStringLiteral(
            "SELECT sqlite_name, table_owner, status FROM mox_triggers WHERE owner = ?1 AND trigger_name = ?2"));
        Reset g{st};
        bindText(st, 1, owner);
        bindText(st, 2, name);
        if (sqlite3_step(st) == SQLITE_ROW) {
            exists = true;
            oldSqliteName = columnText(st, 0);
            oldTableOwner = columnText(st, 1);
            oldStatus = columnText(st, 2);
        }
    }
    if (exists && !s.orReplace)
        fail(QStringLiteral("ORA-04081: trigger '%1' already exists").arg(name));
    const QString sqliteName = owner == t->owner ? name : owner + u'.' + name;
    Translator tr(*this, m_user);
    const QStringList statements = tr.trigger(s, *t, sqliteName);
    QString event = s.events.join(QStringLiteral(" OR "));
    const QString type = (s.before ? QStringLiteral("BEFORE") : QStringLiteral("AFTER"))
                         + (s.forEachRow ? QStringLiteral(" EACH ROW") : QStringLiteral(" STATEMENT"));
    inDdl([&] {
        if (exists) {
            ensureAttached({oldTableOwner});
            dropSqliteTriggers(oldTableOwner, oldSqliteName);
            Exec(this, QStringLiteral("DELETE FROM mox_triggers WHERE owner = ?1 AND trigger_name = ?2"))
                .text(1, owner)
                .text(2, name)
                .run();
        }
        ensureAttached({t->owner});
        for (const QString &sql : statements)
            exec(sql);
        Exec(this, QStringLiteral("INSERT INTO mox_triggers(owner, trigger_name, table_owner, table_name, trigger_type, "
                                  "triggering_event, status, source, sqlite_name, sqlite_sql) "
                                  "VALUES(?1,?2,?3,?4,?5,?6,'ENABLED',?7,?8,?9)"))
            .text(1, owner)
            .text(2, name)
            .text(3, t->owner)
            .text(4, t->name)
            .text(5, type)
            .text(6, event)
            .text(7, s.source.trimmed())
            .text(8, sqliteName)
            .text(9, statements.join(kTriggerSeparator))
            .run();
    });
}

void EmbeddedSession::ddlAlterTrigger(const Stmt &s)
{
    const QString owner = ownerOf(s.name);
    const QString name = s.name.last();
    QString tableOwner, sqliteName, sql, status;
    {
        sqlite3_stmt *st = cached(QStringLiteral(
            "SELECT table_owner, sqlite_name, sqlite_sql, status FROM mox_triggers WHERE owner = ?1 AND trigger_name = ?2"));
        Reset g{st};
        bindText(st, 1, owner);
        bindText(st, 2, name);
        if (sqlite3_step(st) != SQLITE_ROW)
            fail(QStringLiteral("ORA-04080: trigger '%1' does not exist").arg(s.name.join(u'.')));
        tableOwner = columnText(st, 0);
        sqliteName = columnText(st, 1);
        sql = columnText(st, 2);
        status = columnText(st, 3);
    }
    const QString want = s.enable ? QStringLiteral("ENABLED") : QStringLiteral("DISABLED");
    inDdl([&] {
        if (status != want) {
            ensureAttached({tableOwner});
            if (s.enable) {
                for (const QString &stmt : sql.split(kTriggerSeparator, Qt::SkipEmptyParts))
                    exec(stmt);
            } else {
                dropSqliteTriggers(tableOwner, sqliteName);
            }
            Exec(this, QStringLiteral("UPDATE mox_triggers SET status = ?3 WHERE owner = ?1 AND trigger_name = ?2"))
                .text(1, owner)
                .text(2, name)
                .text(3, want)
                .run();
        }
    });
}

void EmbeddedSession::ddlDrop(const Stmt &s)
{
    if (s.kind == Stmt::DropTable) {
        auto t = table(ownerOf(s.table), s.table.last());
        if (!t || t->dictionary)
            fail(QStringLiteral("ORA-00942: table or view does not exist (%1)").arg(s.table.join(u'.')));
        inDdl([&] {
            ensureAttached({t->owner});
            exec(QStringLiteral("DROP TABLE %1").arg(t->sqlRef));
            for (const char *sql : {"DELETE FROM mox_tables WHERE owner = ?1 AND table_name = ?2",
                                    "DELETE FROM mox_columns WHERE owner = ?1 AND table_name = ?2",
                                    "DELETE FROM mox_constraints WHERE owner = ?1 AND table_name = ?2",
                                    "DELETE FROM mox_indexes WHERE table_owner = ?1 AND table_name = ?2",
                                    "DELETE FROM mox_triggers WHERE table_owner = ?1 AND table_name = ?2"})
                Exec(this, QString::fromLatin1(sql)).text(1, t->owner).text(2, t->name).run();
        });
        return;
    }
    const QString owner = ownerOf(s.name);
    const QString name = s.name.last();
    QString check, remove;
    if (s.kind == Stmt::DropSequence) {
        check = QStringLiteral("SELECT owner FROM mox_sequences WHERE owner = ?1 AND sequence_name = ?2");
        remove = QStringLiteral("DELETE FROM mox_sequences WHERE owner = ?1 AND sequence_name = ?2");
    } else if (s.kind == Stmt::DropIndex) {
        check = QStringLiteral("SELECT table_owner FROM mox_indexes WHERE owner = ?1 AND index_name = ?2");
        remove = QStringLiteral("DELETE FROM mox_indexes WHERE owner = ?1 AND index_name = ?2");
    } else {
        check = QStringLiteral("SELECT table_owner || '|' || sqlite_name FROM mox_triggers WHERE owner = ?1 AND "
                               "trigger_name = ?2");
        remove = QStringLiteral("DELETE FROM mox_triggers WHERE owner = ?1 AND trigger_name = ?2");
    }
    QString found;
    {
        sqlite3_stmt *st = cached(check);
        Reset g{st};
        bindText(st, 1, owner);
        bindText(st, 2, name);
        if (sqlite3_step(st) == SQLITE_ROW)
            found = columnText(st, 0);
    }
    if (found.isEmpty()) {
        if (s.kind == Stmt::DropSequence)
            fail(QStringLiteral("ORA-02289: sequence does not exist (%1)").arg(s.name.join(u'.')));
        if (s.kind == Stmt::DropIndex)
            fail(QStringLiteral("ORA-01418: specified index does not exist (%1)").arg(s.name.join(u'.')));
        fail(QStringLiteral("ORA-04080: trigger '%1' does not exist").arg(s.name.join(u'.')));
    }
    inDdl([&] {
        if (s.kind == Stmt::DropIndex) {
            ensureAttached({found});
            exec(QStringLiteral("DROP INDEX %1.%2").arg(Translator::quote(found), Translator::quote(name)));
        } else if (s.kind == Stmt::DropTrigger) {
            const QString tableOwner = found.section(u'|', 0, 0);
            const QString sqliteName = found.section(u'|', 1);
            ensureAttached({tableOwner});
            dropSqliteTriggers(tableOwner, sqliteName);
        }
        Exec(this, remove).text(1, owner).text(2, name).run();
    });
}

void EmbeddedSession::ddlTruncate(const Stmt &s)
{
    auto t = table(ownerOf(s.table), s.table.last());
    if (!t || t->dictionary)
        fail(QStringLiteral("ORA-00942: table or view does not exist (%1)").arg(s.table.join(u'.')));
    inDdl([&] {
        ensureAttached({t->owner});
        exec(QStringLiteral("DELETE FROM %1").arg(t->sqlRef));
    });
}

bool EmbeddedSession::tableHasRows(const TableInfo &t, const QString &column)
{
    ensureAttached({t.owner});
    sqlite3_stmt *st = prepare(QStringLiteral("SELECT 1 FROM %1%2 LIMIT 1")
                                   .arg(t.sqlRef, column.isEmpty() ? QString()
                                                                   : QStringLiteral(" WHERE %1 IS NOT NULL")
                                                                         .arg(Translator::quote(column))));
    const bool rows = sqlite3_step(st) == SQLITE_ROW;
    sqlite3_finalize(st);
    return rows;
}


void EmbeddedSession::ddlAlterTable(const Stmt &s)
{
    auto t = table(ownerOf(s.table), s.table.last());
    if (!t || t->dictionary || !t->viewQuery.isEmpty())
        fail(QStringLiteral("ORA-00942: table or view does not exist (%1)").arg(s.table.join(u'.')));
    if (s.alterAction == 'A')
        ddlAddColumns(s, *t);
    else if (s.alterAction == 'M')
        ddlModifyColumns(s, *t);
    else
        ddlDropColumns(s, *t);
}

void EmbeddedSession::ddlAddColumns(const Stmt &s, const TableInfo &t)
{
    QSet<QString> names;
    for (const ColumnDef &c : s.columnDefs) {
        if (t.column(c.name) || names.contains(c.name))
            fail(QStringLiteral("ORA-01430: column being added already exists in table (%1)").arg(c.name));
        names.insert(c.name);
    }
    const bool rows = tableHasRows(t);
    for (const ColumnDef &c : s.columnDefs)
        if (c.notNull && c.defaultSource.isEmpty() && rows)
            fail(QStringLiteral("ORA-01758: table must be empty to add mandatory (NOT NULL) column (%1)").arg(c.name));
    Translator tr(*this, m_user);
    inDdl([&] {
        ensureAttached({t.owner});
        int id = int(t.columns.size());
        for (const ColumnDef &c : s.columnDefs) {
            const ColumnInfo ci = columnInfo(c, ++id);
            const QString affinity = affinityOf(c.dataType);
            // SQLite adds a NOT NULL column only with a default; inserts
            // never rely on it (they write the column or NULL)
            const QString notNull = !c.notNull ? QString()
                                    : affinity == QLatin1String("TEXT") ? QStringLiteral(" NOT NULL DEFAULT ''")
                                                                        : QStringLiteral(" NOT NULL DEFAULT 0");
            exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3%4")
                     .arg(t.sqlRef, Translator::quote(c.name), affinity, notNull));
            if (!c.defaultSource.isEmpty())
                exec(QStringLiteral("UPDATE %1 SET %2 = %3")
                         .arg(t.sqlRef, Translator::quote(c.name), tr.defaultValue(ci, t)));
            insertColumnRow(t.owner, t.name, ci);
        }
    });
}

void EmbeddedSession::ddlModifyColumns(const Stmt &s, const TableInfo &t)
{
    struct Change {
        ColumnInfo before, after;
        bool retype = false; // SQLite's column is made again (it is empty)
    };
    std::vector<Change> changes;
    for (const ColumnDef &c : s.columnDefs) {
        const ColumnInfo *old = t.column(c.name);
        if (!old)
            fail(QStringLiteral("ORA-00904: %1: invalid identifier").arg(Translator::quote(c.name)));
        if (c.nullGiven && c.notNull == old->nullable)
            fail(QStringLiteral("ORA-03001: unimplemented feature: changing a column between NULL and NOT NULL is not "
                                "supported by the embedded engine (%1)")
                     .arg(c.name));
        Change ch{*old, *old};
        if (!c.dataType.isEmpty()) {
            ch.after.dataType = c.dataType;
            ch.after.length = c.length;
            ch.after.precision = c.precision;
            ch.after.scale = c.scale;
        }
        if (!c.defaultSource.isEmpty())
            ch.after.defaultSource = c.defaultSource;
        const bool filled = tableHasRows(t, c.name);
        if (ch.after.dataType != old->dataType) {
            if (filled)
                fail(QStringLiteral("ORA-01439: column to be modified must be empty to change datatype (%1)").arg(c.name));
            ch.retype = affinityOf(ch.after.dataType) != affinityOf(old->dataType);
        } else if (filled && (old->dataType == QLatin1String("VARCHAR2") || old->dataType == QLatin1String("CHAR"))
                   && ch.after.length < old->length) {
            sqlite3_stmt *st = prepare(QStringLiteral("SELECT max(length(rtrim(%1,' '))) FROM %2")
                                           .arg(Translator::quote(c.name), t.sqlRef));
            const int longest = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : 0;
            sqlite3_finalize(st);
            if (longest > ch.after.length)
                fail(QStringLiteral("ORA-01441: cannot decrease column length because some value is too big (%1)")
                         .arg(c.name));
        } else if (filled && old->dataType == QLatin1String("NUMBER")
                   && ((old->precision < 0 && ch.after.precision >= 0) || ch.after.precision < old->precision
                       || ch.after.scale < old->scale)) {
            fail(QStringLiteral("ORA-01440: column to be modified must be empty to decrease precision or scale (%1)")
                     .arg(c.name));
        }
        changes.push_back(ch);
    }
    inDdl([&] {
        ensureAttached({t.owner});
        for (const Change &ch : changes) {
            const QString col = Translator::quote(ch.after.name);
            if (ch.retype) {
                exec(QStringLiteral("ALTER TABLE %1 DROP COLUMN %2").arg(t.sqlRef, col));
                exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3").arg(t.sqlRef, col, affinityOf(ch.after.dataType)));
            } else if (ch.after.dataType == QLatin1String("CHAR") && ch.after.length != ch.before.length) {
                // CHAR values take the new width
                exec(QStringLiteral("UPDATE %1 SET %2 = substr(printf('%-%3s', rtrim(%2,' ')), 1, %3) WHERE %2 IS NOT NULL")
                         .arg(t.sqlRef, col)
                         .arg(ch.after.length));
            }
            Exec(this, QStringLiteral("UPDATE mox_columns SET data_type = ?4, data_length = ?5, data_precision = ?6, "
                                      "data_scale = ?7, data_default = ?8 WHERE owner = ?1 AND table_name = ?2 "
                                      "AND column_name = ?3"))
                .text(1, t.owner)
                .text(2, t.name)
                .text(3, ch.after.name)
                .text(4, ch.after.dataType)
                .num(5, ch.after.length)
                .num(6, ch.after.precision, ch.after.precision < 0)
                .num(7, ch.after.scale, ch.after.scale < 0)
                .text(8, ch.after.defaultSource.isEmpty() ? QString() : ch.after.defaultSource)
                .run();
        }
    });
}

void EmbeddedSession::ddlDropColumns(const Stmt &s, const TableInfo &t)
{
    for (const QString &c : s.columns)
        if (!t.column(c))
            fail(QStringLiteral("ORA-00904: %1: invalid identifier").arg(Translator::quote(c)));
    if (s.columns.size() >= qsizetype(t.columns.size()))
        fail(QStringLiteral("ORA-12983: cannot drop all columns in a table"));
    // SQLite drops no column that a key or an index names
    sqlite3_stmt *st = cached(QStringLiteral(
        "SELECT columns FROM mox_constraints WHERE owner = ?1 AND table_name = ?2 AND constraint_type IN ('P','U') "
        "UNION ALL SELECT columns FROM mox_indexes WHERE table_owner = ?1 AND table_name = ?2"));
    {
        Reset g{st};
        bindText(st, 1, t.owner);
        bindText(st, 2, t.name);
        while (sqlite3_step(st) == SQLITE_ROW)
            for (const QString &c : columnText(st, 0).split(u','))
                if (s.columns.contains(c))
                    fail(QStringLiteral("ORA-03001: unimplemented feature: dropping a column of a key or an index is "
                                        "not supported by the embedded engine (%1)")
                             .arg(c));
    }
    inDdl([&] {
        ensureAttached({t.owner});
        for (const QString &c : s.columns) {
            exec(QStringLiteral("ALTER TABLE %1 DROP COLUMN %2").arg(t.sqlRef, Translator::quote(c)));
            // the columns after it move up, so that column_id stays 1..n
            Exec(this, QStringLiteral("UPDATE mox_columns SET column_id = column_id - 1 WHERE owner = ?1 AND "
                                      "table_name = ?2 AND column_id > (SELECT column_id FROM mox_columns WHERE "
                                      "owner = ?1 AND table_name = ?2 AND column_name = ?3)"))
                .text(1, t.owner)
                .text(2, t.name)
                .text(3, c)
                .run();
            Exec(this, QStringLiteral("DELETE FROM mox_columns WHERE owner = ?1 AND table_name = ?2 AND column_name = ?3"))
                .text(1, t.owner)
                .text(2, t.name)
                .text(3, c)
                .run();
            if (t.keyColumn == c)
                Exec(this, QStringLiteral("UPDATE mox_tables SET key_column = NULL WHERE owner = ?1 AND table_name = ?2"))
                    .text(1, t.owner)
                    .text(2, t.name)
                    .run();
        }
    });
}

void EmbeddedSession::ensureViewCatalog()
{
    exec(QStringLiteral("CREATE TABLE IF NOT EXISTS main.mox_views(owner TEXT NOT NULL, view_name TEXT NOT NULL, "
                        "text TEXT NOT NULL, columns TEXT NOT NULL, PRIMARY KEY(owner, view_name))"));
    m_hasViews = true;
}

void EmbeddedSession::ddlCreateView(const Stmt &s)
{
    const QString owner = ownerOf(s.table);
    const QString name = s.table.last();
    requireUser(owner);
    auto existing = table(owner, name);
    if (existing && (existing->viewQuery.isEmpty() || !s.orReplace))
        fail(QStringLiteral("ORA-00955: name is already used by an existing object (%1.%2)").arg(owner, name));
    if (!existing && objectExists(owner, name))
        fail(QStringLiteral("ORA-00955: name is already used by an existing object (%1.%2)").arg(owner, name));
    Translator tr(*this, m_user);
    const Translation checked = tr.view(s, owner);
    QStringList columns;
    for (const OutColumn &c : checked.columns)
        columns << c.name;
    inDdl([&] {
        ensureViewCatalog();
        Exec(this, QStringLiteral("DELETE FROM mox_views WHERE owner = ?1 AND view_name = ?2")).text(1, owner).text(2, name).run();
        Exec(this, QStringLiteral("INSERT INTO mox_views(owner, view_name, text, columns) VALUES(?1,?2,?3,?4)"))
            .text(1, owner)
            .text(2, name)
            .text(3, s.source)
            .text(4, columns.join(u','))
            .run();
    });
}

void EmbeddedSession::ddlDropView(const Stmt &s)
{
    auto t = table(ownerOf(s.table), s.table.last());
    if (!t || t->viewQuery.isEmpty())
        fail(QStringLiteral("ORA-00942: table or view does not exist (%1)").arg(s.table.join(u'.')));
    inDdl([&] {
        Exec(this, QStringLiteral("DELETE FROM mox_views WHERE owner = ?1 AND view_name = ?2"))
            .text(1, t->owner)
            .text(2, t->name)
            .run();
    });
}

void EmbeddedSession::runDdl(const Stmt &s)
{
    switch (s.kind) {
    case Stmt::CreateTable:
        ddlCreateTable(s);
        break;
    case Stmt::CreateIndex:
        ddlCreateIndex(s);
        break;
    case Stmt::CreateSequence:
        ddlCreateSequence(s);
        break;
    case Stmt::CreateTrigger:
        ddlCreateTrigger(s);
        break;
    case Stmt::AlterTrigger:
        ddlAlterTrigger(s);
        break;
    case Stmt::DropTable:
    case Stmt::DropIndex:
    case Stmt::DropSequence:
    case Stmt::DropTrigger:
        ddlDrop(s);
        break;
    case Stmt::Truncate:
        ddlTruncate(s);
        break;
    case Stmt::AlterTable:
        ddlAlterTable(s);
        break;
    case Stmt::CreateView:
        ddlCreateView(s);
        break;
    case Stmt::DropView:
        ddlDropView(s);
        break;
    default:
        fail(QStringLiteral("ORA-00900: invalid SQL statement"));
    }
}

} // namespace oraembed
