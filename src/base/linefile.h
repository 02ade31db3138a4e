#pragma once
// A text file the system writes as it goes (result files, SQL files):
// Windows-1250 lines ended by CR LF, each write flushed at once, so a run that
// is killed keeps every line it wrote. A failed write closes the file and
// raises "Napaka pri pisanju v: <path>"; later writes do nothing (the run has
// its error).
#include <QFile>
#include <QString>
#include <QStringList>

class TVrsticnaDatoteka {
public:
    // Opens the file, rewriting it or (dopisi) appending to it. Raises
    // EMoxError naming the file, with the system's reason, when it cannot.
    void odpri(const QString &pot, bool dopisi = false);
    bool odprta() const { return m_f.isOpen(); }
    QString pot() const { return m_f.fileName(); }
    // Writes the lines together and flushes them (nothing while closed).
    void pisi(const QStringList &vrstice);
    void pisi(const QString &vrstica) { pisi(QStringList{vrstica}); }
    void zapri();

private:
    QFile m_f;
};
