#pragma once
// Helpers shared by the translator's files: expressions
// (translator_expr.cpp), the built-in functions (translator_call.cpp),
// queries (translator_query.cpp), statements (translator_stmt.cpp) and the
// catalog names (translator.cpp). Private to those files.
#include "oracle/embedded/translator.h"

#include "base/moxerror.h"

namespace oraembed {

[[noreturn]] inline void fail(const QString &msg) { throw EMoxError(msg); }

[[noreturn]] inline void unsupported(const QString &what)
{
    fail(QStringLiteral("ORA-03001: unimplemented feature: %1 is not supported by the embedded engine").arg(what));
}

inline QString joined(const QStringList &parts) { return parts.join(u'.'); }

inline bool isDateLike(VType t) { return t == VType::Date; }

} // namespace oraembed
