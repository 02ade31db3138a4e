#include "base/linefile.h"

#include "base/moxerror.h"
#include "base/text.h"

void TVrsticnaDatoteka::odpri(const QString &pot, bool dopisi)
{
    zapri();
    m_f.setFileName(pot);
    if (!m_f.open(QIODevice::WriteOnly | (dopisi ? QIODevice::Append : QIODevice::Truncate)))
        throw EMoxError(QStringLiteral("Napaka pri pisanju v: ") + pot + moxtext::crlf + m_f.errorString());
}

void TVrsticnaDatoteka::pisi(const QStringList &vrstice)
{
    if (!m_f.isOpen())
        return;
    QByteArray b;
    for (const QString &v : vrstice)
        b += moxtext::toCp1250(v) + "\r\n";
    if (m_f.write(b) != b.size() || !m_f.flush()) {
        const QString pot = m_f.fileName();
        m_f.close();
        throw EMoxError(QStringLiteral("Napaka pri pisanju v: ") + pot);
    }
}

void TVrsticnaDatoteka::zapri()
{
    if (m_f.isOpen())
        m_f.close();
}
