#include "log/timing.h"

#include "run/runstate.h"

void uraStart(TRunState &rs) { rs.p_startniCas = QDateTime::currentDateTime(); }

int uraKonec(const TRunState &rs) { return uraKonec(rs, QDateTime::currentDateTime()); }

int uraKonec(const TRunState &rs, const QDateTime &now)
{
    if (!rs.p_startniCas.isValid() || !now.isValid())
        return 0;
    constexpr qint64 msDan = 24LL * 3600 * 1000;
    const qint64 ms = rs.p_startniCas.msecsTo(now);
    if (ms < 0)
        return 0;
    return int((ms % msDan) / 1000);
}
