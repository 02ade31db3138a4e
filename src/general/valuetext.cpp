#include "general/general.h"
#include "general/values.h"

#include "base/interaction.h"
#include "base/moxerror.h"

#include <QRegularExpression>

bool jeDelOd(const QString &typ, const QString &seznam)
{
    return !typ.isEmpty() && seznam.contains(typ);
}

QString dopolniChar(const QString &vrednost, int dolzina, const QString &typ)
{
    if (typ.left(7) == QStringLiteral("VARCHAR"))
        return vrednost;
    // Padded to the full declared width: a CHAR value compares equal only
    // with all its blanks.
    const qsizetype manjka = qsizetype(dolzina) - vrednost.size();
    if (manjka <= 0)
        return vrednost;
    return vrednost + QString(manjka, u' ');
}

qint64 vCeloStevilo(const QString &besedilo)
{
    const QString t = besedilo.trimmed();
    if (t.isEmpty())
        return 0;
    bool ok = false;
    const qint64 v = t.toLongLong(&ok);
    if (!ok)
        throw EMoxError(QStringLiteral("\"%1\" ni veljavno celo število").arg(besedilo));
    return v;
}

double vRealnoStevilo(const QString &besedilo)
{
    QString t = besedilo.trimmed();
    if (t.isEmpty())
        return 0;
    // Files of this system hold "."; a decimal comma is read the same way.
    if (!t.contains(u'.'))
        t.replace(u',', u'.');
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok)
        throw EMoxError(QStringLiteral("\"%1\" ni veljavno število").arg(besedilo));
    return v;
}

TOracleType tipSpremenljivke(const QString &typ, TInteraction *ui)
{
    bool znan = false;
    TOracleType vrsta = otString;
    if (jeDelOd(typ, QStringLiteral("CHAR,VARCHAR2"))) {
        vrsta = otString;
        znan = true;
    }
    if (jeDelOd(typ, QStringLiteral("INTEGER"))) {
        vrsta = otInteger;
        znan = true;
    }
    if (jeDelOd(typ, QStringLiteral("NUMBER"))) {
        vrsta = otFloat;
        znan = true;
    }
    if (typ == QStringLiteral("DATE")) {
        vrsta = otString;
        znan = true;
    }
    if (jeDelOd(typ, QStringLiteral("CLOB,BLOB"))) {
        vrsta = otString;
        znan = true;
    }
    if (!znan) {
        if (ui)
            ui->showMessage(QStringLiteral("NAPAČEN TIP : ") + typ);
        vrsta = otString;
    }
    return vrsta;
}

QVariant vrednostIzDBF(const QString &besedilo, bool pad, int dolzina, const QString &typ)
{
    if (jeDelOd(typ, QStringLiteral("NUMBER,INTEGER"))) {
        if (besedilo.trimmed().isEmpty())
            return QVariant();
        if (jeDelOd(typ, QStringLiteral("INTEGER")))
            return QVariant(vCeloStevilo(besedilo));
        return QVariant(vRealnoStevilo(besedilo));
    }
    if (typ == QStringLiteral("DATE")) {
        // Dates travel as "DD.MM.YYYY HH24:MI:SS" (or the date alone); the
        // statements read them back with to_date.
        const QString t = besedilo.trimmed();
        if (t.isEmpty())
            return QVariant();
        return QVariant(t);
    }
    QString s = besedilo.left(qMax(dolzina, 0));
    if (pad)
        s = dopolniChar(s, dolzina, typ);
    return QVariant(s);
}

QString dodajPogojReplikacije(const QString &filter, const QString &cas)
{
    const QString pogoj = QStringLiteral(" datumipl>= to_date('") + cas + QStringLiteral("','DD.MM.YYYY HH24:MI')");
    // A trailing ORDER BY clause stays last; the condition goes before it.
    static const QRegularExpression orderBy(QStringLiteral("\\border\\s+by\\b"),
                                            QRegularExpression::CaseInsensitiveOption);
    qsizetype pos = -1;
    for (auto it = orderBy.globalMatch(filter); it.hasNext();)
        pos = it.next().capturedStart();
    // Only an ORDER BY outside parentheses ends the filter.
    if (pos >= 0) {
        int globina = 0;
        for (qsizetype i = 0; i < pos; ++i) {
            if (filter.at(i) == u'(')
                ++globina;
            else if (filter.at(i) == u')')
                --globina;
        }
        if (globina != 0)
            pos = -1;
    }
    const QString pred = pos < 0 ? filter : filter.left(pos);
    const QString za = pos < 0 ? QString() : filter.mid(pos);
    QString s = pred;
    if (pred.trimmed().isEmpty())
        s += QStringLiteral(" where ");
    else
        s += QStringLiteral(" and ");
    s += pogoj;
    if (!za.isEmpty())
        s += u' ' + za;
    return s;
}
