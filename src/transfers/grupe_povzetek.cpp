// The summary of a groups refresh: its counters per table as the summary
// file and the run log show them.
#include "transfers/grupe.h"

#include "base/text.h"
#include "transfers/grupe_prehod.h"

#include <utility>

namespace {

// Summary lines: the table and its label, in the order of the summary.
const std::pair<const char *, const char *> kPovzetek[] = {
    {"KA061GRP", "GRUPE      "}, {"KA060AK0", "AKTIVNOSTI "}, {"PO061GRP", "PO061GRP "}, {"KA055HC0", "HC-ji      "},
    {"PO061SPG", "PO061SPG "},   {"PO065HC0", "PO065HC0 "},   {"PO055SHC", "PO055SHC "}, {"KA062NHC", "KA062NHC "},
    {"KA055LAB", "KA055LAB "},   {"KA062NHH", "KA062NHH "},
};

QString besediloStevca(qint64 n)
{
    return n == 0 ? QString() : QString::number(n);
}

} // namespace

QString povzetekGrup(const QList<TStevciPrehoda> &stevci)
{
    const QString zamik(16, u' ');
    const QString crlf = moxtext::crlf;
    QString s = crlf + zamik + QStringLiteral("tabela\t             vseh\tnovih\tpopr\tnapak") + crlf + zamik +
                QString(94, u'-') + crlf;
    for (const auto &[tabela, napis] : kPovzetek) {
        TStevciPrehoda st;
        for (const TStevciPrehoda &c : stevci)
            if (c.oznaka == QLatin1String(tabela))
                st = c;
        const QString oznaka = QString::fromLatin1(napis);
        s += zamik + oznaka + u'\t';
        if (oznaka == QStringLiteral("HC-ji      "))
            s += u'\t';
        s += nicCePrazno(besediloStevca(st.prebranih)) + u'\t' + nicCePrazno(besediloStevca(st.novih)) + u'\t' +
             nicCePrazno(besediloStevca(st.popravkov)) + u'\t' + besediloStevca(st.napak) + crlf;
    }
    return s;
}
