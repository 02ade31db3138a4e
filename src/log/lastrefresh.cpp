#include "log/history.h"

#include "run/runstate.h"

// Kept apart from the database code so that callers without a session link it alone.
QString najdizadnjiRefresh(const TRunState &rs, const QString &vrsta)
{
    for (const TRefrZadnji &e : rs.p_aRefrZadnji)
        if (e.vrsta == vrsta)
            return e.datum;
    return QStringLiteral("1.1.1900");
}
