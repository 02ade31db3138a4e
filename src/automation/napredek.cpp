#include "automation/napredek.h"

TNapredekBrezZaslona::TNapredekBrezZaslona(QString tabela, std::function<void(const QString &)> izpisi,
                                           qint64 razmikMs)
    : m_tabela(std::move(tabela)), m_izpisi(std::move(izpisi)), m_razmikMs(razmikMs < 0 ? privzetiRazmikMs() : razmikMs)
{
    m_ura.start();
}

qint64 TNapredekBrezZaslona::privzetiRazmikMs()
{
    bool ok = false;
    const qint64 ms = qEnvironmentVariable("MOX_NAPREDEK_MS").toLongLong(&ok);
    return ok && ms >= 0 ? ms : 5000;
}

QString TNapredekBrezZaslona::vrstica(const QString &tabela, qint64 narejeno, qint64 skupaj, qint64 ms)
{
    QString s = QStringLiteral("   %1: %2").arg(tabela).arg(narejeno);
    if (skupaj > 0)
        s += QStringLiteral(" od %1 (%2 %)").arg(skupaj).arg(narejeno * 100 / skupaj);
    s += QStringLiteral(" zapisov");
    if (ms > 0)
        s += QStringLiteral(", %1 na sekundo").arg(narejeno * 1000 / ms);
    return s;
}

void TNapredekBrezZaslona::porocaj(qint64 narejeno, qint64 skupaj, const QString &tabela)
{
    if (!m_izpisi)
        return;
    const qint64 zdaj = m_ura.elapsed();
    if (zdaj - m_zadnje < m_razmikMs)
        return;
    m_zadnje = zdaj;
    m_izpisi(vrstica(tabela.isEmpty() ? m_tabela : m_tabela + u' ' + tabela, narejeno, skupaj, zdaj));
}

TOsvezevanjeNapredek TNapredekBrezZaslona::osvezevanje()
{
    TOsvezevanjeNapredek n;
    n.prikazi = [this](const TOsvezevanjeStevci &c) { porocaj(c.prikazanoZapisov, c.vDatoteki); };
    return n;
}

TPripravaNapredek TNapredekBrezZaslona::priprava()
{
    TPripravaNapredek n;
    n.prikazi = [this](qint64 zapisov) { porocaj(zapisov, 0); };
    return n;
}

TNapredekDruzine TNapredekBrezZaslona::druzina()
{
    TNapredekDruzine n;
    n.prikazi = [this](int, const TStevciPrehoda &s) { porocaj(s.prebranih, s.vDatoteki, s.oznaka); };
    return n;
}
