#pragma once
// Small helpers around SQLite statements shared by the embedded session, its
// cursors and its DDL: text in and out as UTF-8, and a statement reset when
// a scope ends. Private to the embedded engine.
#include <QString>

#include <sqlite3.h>

namespace oraembed {

inline void bindText(sqlite3_stmt *st, int i, const QString &s)
{
    const QByteArray b = s.toUtf8();
    sqlite3_bind_text(st, i, b.constData(), int(b.size()), SQLITE_TRANSIENT);
}

inline QString columnText(sqlite3_stmt *st, int i)
{
    const unsigned char *p = sqlite3_column_text(st, i);
    return p ? QString::fromUtf8(reinterpret_cast<const char *>(p), sqlite3_column_bytes(st, i)) : QString();
}

// Resets a statement when the scope ends.
struct Reset {
    sqlite3_stmt *st;
    ~Reset()
    {
        sqlite3_reset(st);
        sqlite3_clear_bindings(st);
    }
};

} // namespace oraembed
