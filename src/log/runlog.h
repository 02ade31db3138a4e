#pragma once
// The run log: one file per database (per installation in a database that
// serves several), Windows-1250 text with CR LF line ends, only appended to.
// A transfer collects its lines in the working memo (meDyn) and hands them
// to DajVLog at its end.
#include <QDate>
#include <QString>
#include <QStringList>

struct TRunState;
struct TMoxContext;
class TInteraction;

// "ORNA_SYS.LOG", or "MOX_" + application schema + ".LOG" in a database that
// serves several installations, in the log directory.
QString imeLogDatoteke(const TRunState &rs);

// Appends the lines to the run log (the file is created first when it does
// not exist; a failure to create it raises EMoxError). A failure to append is
// shown as "Napaka pri pisanju v: " + file name; the caller goes on.
void zapisiVLog(const TRunState &rs, TInteraction *ui, const QStringList &lines);

// Appends the working memo to the run log.
void DajVLog(const TRunState &rs, TInteraction *ui);
void DajVLog(TMoxContext &ctx);

// The program's date text, "DD.MM.YYYY".
QString datumBesedilo(const QDate &d);

// One transfer log line:
//   DD.MM.YYYY  REFRESH: user  TABLE  INS:n  UPD:n  ERR:n
// A further line of the same transfer (nadaljevanje) has 21 blanks in the
// place of the date, "  REFRESH:" and the blank after it.
QString logVrstica(const QString &user, const QString &tabela, const QString &ins, const QString &upd,
                   const QString &err, bool nadaljevanje = false, const QDate &datum = QDate::currentDate());
