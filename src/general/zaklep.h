#pragma once
// The lock a refresh holds on its table in the receiving database, so that
// two refreshes of one table (from two processes, perhaps on two machines)
// never look the same keys up and insert them twice.
//
// The lock is a row of the run history (orna_util.orna_mox): "OSVEZEVANJE
// owner.table" with the mark "Z", the holder's token in user_mox and the time
// it was last renewed in datummox. Of the rows of one table the oldest (then
// the lowest token) holds the lock, so two refreshes that ask at the same
// moment agree on which one runs. A row not renewed for kZastaranjeMinut
// minutes belongs to a process that died and is removed by the next asker.
#include <QElapsedTimer>
#include <QString>

struct TMoxContext;

class TZaklepOsvezevanja {
public:
    static constexpr int kZastaranjeMinut = 10;
    // A renewal more often than this does nothing: the row stays far from
    // stale, and a refresh that commits every record does not also write
    // the run history every hundred records.
    static constexpr int kObnovaSekund = 30;

    // vrsta: the table as the run history names it (owner.table).
    TZaklepOsvezevanja(TMoxContext &ctx, const QString &vrsta);
    ~TZaklepOsvezevanja();
    TZaklepOsvezevanja(const TZaklepOsvezevanja &) = delete;
    TZaklepOsvezevanja &operator=(const TZaklepOsvezevanja &) = delete;

    // Takes the lock; raises EMoxError, naming the table and since when the
    // other refresh holds it, when another refresh runs. Does nothing when
    // the run history cannot be written (there is then no lock).
    void zakleni();
    // Renews the lock (the refresh calls it now and then while it runs).
    void obnovi();
    // Gives the lock back; errors are raised.
    void sprosti();

private:
    TMoxContext &m_ctx;
    QString m_vrsta;
    QString m_zeton;
    bool m_zaklenjeno = false;
    QElapsedTimer m_obnovljeno; // since the lock was taken or last renewed
};
