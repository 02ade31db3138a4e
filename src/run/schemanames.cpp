#include "run/schemanames.h"

#include "oracle/oracle.h"
#include "run/runstate.h"
#include "base/text.h"

namespace {
// Characters after which a schema prefix is replaced.
const QString kBefore = QStringLiteral("*. (=,<>");
// The remaining text after an occurrence is cut to this many characters, as
// the statements were always built.
constexpr qsizetype kMaxRest = 900000;
} // namespace

QString zamenjajShemo(QString text, QString prefix, const QString &replacement)
{
    prefix = moxtext::upperAZ(prefix);
    const qsizetype len = prefix.size();
    QString out;
    for (;;) {
        const qsizetype p = len == 0 ? -1 : moxtext::upperAZ(text).indexOf(prefix);
        if (p < 0) {
            out += text;
            return out;
        }
        if (p > 0 && kBefore.contains(text.at(p - 1)))
            out += text.left(p) + replacement;
        else
            out += text.left(p + len);
        text = text.mid(p + len, kMaxRest);
    }
}

QString zamenjave(const QString &niz, const QString &tip, const TRunState &state)
{
    Q_UNUSED(tip); // every caller passes "SQL"
    QString s = zamenjajShemo(niz, QStringLiteral("TAVO."), state.currUserAsTavo + u'.');
    s = zamenjajShemo(s, QStringLiteral("FAKTUR."), state.currUserAsFaktur + u'.');
    return s;
}

void pripraviSejo(TOracleDataSet &quDyn1, const TRunState &state)
{
    if (!quDyn1.Session || !quDyn1.Session->Connected())
        return;
    try {
        quDyn1.Close();
        quDyn1.SQL.clear();
        quDyn1.DeleteVariables();
        quDyn1.SQL << QStringLiteral("begin ") << QStringLiteral(" tavo.pckLogParam.initParam('ORN'); ")
                   << QStringLiteral("end; ");
        quDyn1.SQL = QStringList{zamenjave(quDyn1.SQL.join(QStringLiteral("\r\n")), QStringLiteral("SQL"), state)};
        quDyn1.Open();
        quDyn1.Close();
    } catch (const EMoxError &) {
        // The logging package is optional; the session works without it.
        quDyn1.Close();
    }
}
