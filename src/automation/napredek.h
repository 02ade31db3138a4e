#pragma once
// Progress of long work in runs without a screen: a line on standard error
// (through the runner's echo) at most every few seconds, naming the table,
// the records done (of the total, when known) and the rate.
#include "general/general.h"
#include "transfers/druzine.h"

#include <QElapsedTimer>
#include <QString>

#include <functional>

class TNapredekBrezZaslona {
public:
    // izpisi receives each line; razmik is the least time between two lines
    // (by default privzetiRazmikMs()).
    TNapredekBrezZaslona(QString tabela, std::function<void(const QString &)> izpisi, qint64 razmikMs = -1);

    // The least time between two progress lines: MOX_NAPREDEK_MS when it is
    // set to a whole number of milliseconds, else 5000.
    static qint64 privzetiRazmikMs();

    // Progress objects of the refresh and the preparation that report here.
    TOsvezevanjeNapredek osvezevanje();
    TPripravaNapredek priprava();
    // A family's run: the pass's table and its records read.
    TNapredekDruzine druzina();

    // The line for done records of skupaj (0: unknown) after ms milliseconds.
    static QString vrstica(const QString &tabela, qint64 narejeno, qint64 skupaj, qint64 ms);

private:
    void porocaj(qint64 narejeno, qint64 skupaj, const QString &tabela = {});

    QString m_tabela;
    std::function<void(const QString &)> m_izpisi;
    qint64 m_razmikMs;
    QElapsedTimer m_ura;
    qint64 m_zadnje = 0;
};
