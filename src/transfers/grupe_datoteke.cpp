#include "transfers/grupe_datoteke.h"

#include "run/context.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "base/text.h"
#include "transfers/grupe_nastavitve.h"
#include "transfers/predloge.h"

namespace {

struct TOpisDatoteke {
    const char *ime;
    const char *indeks; // expression, empty for none
};

constexpr TOpisDatoteke kDatoteke[] = {
    {"xgk61grp", ""},
    {"xgk60ak0", "code_060"},
    {"xgo61grp", ""},
    {"xgo61spg", ""},
    {"xgo65hc0", ""},
    {"xgo55shc", "coden055+code_055"},
    {"xgk55hc0", "code_055"},
    {"xgk62nhc", "code_060+code_011"},
    {"xgk55lab", "code_055"},
    {"xgk62nhh", "code_055"},
};
static_assert(std::size(kDatoteke) == TDatotekeGrup::steviloDatotek);

} // namespace

QString TDatotekeGrup::ime(Datoteka d) { return QString::fromLatin1(kDatoteke[d].ime) + QStringLiteral(".dbf"); }
QString TDatotekeGrup::indeksIme(Datoteka d) { return QString::fromLatin1(kDatoteke[d].ime); }
QStringList TDatotekeGrup::osnove()
{
    QStringList out;
    for (const TOpisDatoteke &d : kDatoteke)
        out << QString::fromLatin1(d.ime);
    return out;
}
QString TDatotekeGrup::indeksIzraz(Datoteka d) { return QString::fromLatin1(kDatoteke[d].indeks); }

void TDatotekeGrup::odpri(TMoxContext &ctx, const QString &mapa, bool prazno)
{
    namestiManjkajocePredloge(ctx, mapa, QStringLiteral("GRUPE"));
    for (int i = 0; i < steviloDatotek; ++i) {
        const auto d = Datoteka(i);
        TApolloDataSet &ta = m_ta[size_t(i)];
        ta.Close();
        ta.Exclusive = true;
        ta.OEMTranslate = false;
        ta.TableName = moxpath::join(mapa, ime(d));
        ta.Open();
        if (prazno)
            ta.Zap();
        if (!indeksIzraz(d).isEmpty())
            ta.Index(moxpath::join(mapa, indeksIme(d)), indeksIzraz(d));
        ta.First();
    }
}

void TDatotekeGrup::zapri()
{
    for (TApolloDataSet &ta : m_ta)
        ta.Close();
}

QString TDatotekeGrup::kljuc(Datoteka d, const QStringList &polja, const QStringList &vrednosti)
{
    TApolloDataSet &ta = m_ta[size_t(d)];
    QString k;
    for (qsizetype i = 0; i < polja.size(); ++i) {
        const int sirina = ta.FieldInfo(ta.FieldIndex(polja[i])).width;
        const QString &v = vrednosti[i];
        if (moxtext::toCp1250(v).size() > sirina)
            throw EMoxError(QStringLiteral("Vrednost '") + v + QStringLiteral("' je daljša od polja ") + polja[i] +
                            QStringLiteral(" (") + QString::number(sirina) + QStringLiteral(") v ") + ime(d));
        k += dopolniPresledke(v, sirina);
    }
    return k;
}

bool TDatotekeGrup::najdi(Datoteka d, const QStringList &polja, const QStringList &vrednosti)
{
    kljuc(d, polja, vrednosti); // refuses a value its field could not hold whole
    return m_ta[size_t(d)].SeekFields(vrednosti);
}

void zapisiPolje(TApolloDataSet &ta, const QString &polje, const QString &besedilo)
{
    TApolloField f = ta.FieldByName(polje);
    if (!moxtext::isCp1250(besedilo))
        throw EMoxError(QStringLiteral("Vrednost '") + besedilo + QStringLiteral("' polja ") + polje +
                        QStringLiteral(" ima znake, ki jih datoteka ") + ta.TableName + QStringLiteral(" ne more hraniti"));
    if (f.info().type == u'C' && moxtext::toCp1250(besedilo).size() > f.info().width)
        throw EMoxError(QStringLiteral("Vrednost '") + besedilo + QStringLiteral("' je daljša od polja ") + polje +
                        QStringLiteral(" (") + QString::number(f.info().width) + QStringLiteral(") v ") + ta.TableName);
    f.setAsString(besedilo);
}
