#include "general/sqlizpis.h"

#include "general/tabledesc.h"
#include "general/values.h"
#include "oracle/oravalues.h"
#include "base/moxerror.h"
#include "base/text.h"

#include <QDateTime>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <utility>
#include <vector>

using moxtext::upperAZ;

namespace {

// Characters of text per quoted piece, and the length past which a line is
// broken before the next piece or value: SQL*Plus refuses long lines.
constexpr qsizetype kKos = 200;
constexpr qsizetype kVrstica = 250;
// Bytes a text literal may hold; a text is measured in UTF-8, the widest
// character set a database has for these characters.
constexpr qsizetype kLiteralBajtov = 4000;
// Characters of a long CLOB text per statement: at most 3000 bytes in UTF-8
// (no Windows-1250 character takes more than three).
constexpr qsizetype kClobKos = 1000;

QString vNarekovajih(QString s)
{
    s.replace(u'\'', QStringLiteral("''"));
    return u'\'' + s + u'\'';
}

// Pieces of at most n characters, a surrogate pair never split.
QStringList razdeli(const QString &s, qsizetype n)
{
    QStringList out;
    qsizetype i = 0;
    while (i < s.size()) {
        qsizetype k = std::min(n, s.size() - i);
        if (i + k < s.size() && s.at(i + k - 1).isHighSurrogate())
            --k;
        out << s.mid(i, k);
        i += k;
    }
    return out;
}

// A text as quoted pieces, control characters as chr(n), joined by || and
// broken into lines. A text never holds a line end or a line of its own,
// so that neither SQL*Plus nor a script reader can end the statement in it.
QString besediloSql(const QString &s)
{
    QStringList deli;
    QString kos;
    auto shrani = [&] {
        for (const QString &d : razdeli(kos, kKos))
            deli << vNarekovajih(d);
        kos.clear();
    };
    for (const QChar c : s) {
        if (c.unicode() < 32) {
            shrani();
            deli << QStringLiteral("chr(%1)").arg(c.unicode());
        } else {
            kos += c;
        }
    }
    shrani();
    QString out;
    qsizetype vrstica = 0;
    for (qsizetype i = 0; i < deli.size(); ++i) {
        if (i > 0) {
            out += QStringLiteral("||");
            vrstica += 2;
            if (vrstica + deli[i].size() > kVrstica) {
                out += u'\n';
                vrstica = 0;
            }
        }
        out += deli[i];
        vrstica += deli[i].size();
    }
    return out;
}

bool zacetekImena(QChar c) { return c.isLetter() || c == u'_'; }
bool delImena(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$' || c == u'#'; }

// End of the quoted literal that starts at i (the index of its closing quote).
qsizetype konecLiterala(const QString &sql, qsizetype i)
{
    qsizetype j = i + 1;
    while (j < sql.size()) {
        if (sql.at(j) == u'\'') {
            if (j + 1 < sql.size() && sql.at(j + 1) == u'\'') {
                j += 2;
                continue;
            }
            return j;
        }
        ++j;
    }
    return sql.size();
}

// Index of the word (a-z without regard to case) outside quoted literals,
// from od on; -1 when it is not there.
qsizetype najdiBesedo(const QString &sql, QLatin1StringView beseda, qsizetype od = 0)
{
    for (qsizetype i = od; i < sql.size(); ++i) {
        if (sql.at(i) == u'\'') {
            i = konecLiterala(sql, i);
            continue;
        }
        if ((i == 0 || !delImena(sql.at(i - 1))) && QStringView(sql).mid(i).startsWith(beseda, Qt::CaseInsensitive)) {
            const qsizetype k = i + beseda.size();
            if (k >= sql.size() || !delImena(sql.at(k)))
                return i;
        }
    }
    return -1;
}

// Appends an expression, starting a new line first when the line would grow
// past its length.
void dodaj(QString &out, const QString &izraz)
{
    const qsizetype vrstica = out.size() - (out.lastIndexOf(u'\n') + 1);
    const qsizetype prva = izraz.indexOf(u'\n') < 0 ? izraz.size() : izraz.indexOf(u'\n');
    if (vrstica > 0 && vrstica + prva > kVrstica && !out.back().isSpace())
        out += u'\n';
    out += izraz;
}

// The statement text with every ":name" outside quoted literals written by
// spremenljivka and every empty_clob() by clob.
template <typename FSpr, typename FClob>
QString nadomesti(const QString &sql, FSpr spremenljivka, FClob clob)
{
    static const QLatin1StringView prazenClob("empty_clob()");
    QString out;
    for (qsizetype i = 0; i < sql.size();) {
        const QChar c = sql.at(i);
        if (c == u'\'') {
            const qsizetype j = konecLiterala(sql, i);
            out += sql.mid(i, j - i + 1);
            i = j + 1;
        } else if (c == u':' && i + 1 < sql.size() && zacetekImena(sql.at(i + 1))) {
            qsizetype j = i + 1;
            while (j < sql.size() && delImena(sql.at(j)))
                ++j;
            dodaj(out, spremenljivka(sql.mid(i + 1, j - i - 1)));
            i = j;
        } else if ((i == 0 || !delImena(sql.at(i - 1))) &&
                   QStringView(sql).mid(i).startsWith(prazenClob, Qt::CaseInsensitive)) {
            dodaj(out, clob());
            i += prazenClob.size();
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

// Lines of a statement: lines right-trimmed, empty ones left out.
QStringList vrsticeStavka(const QString &besedilo)
{
    QStringList out;
    for (QString v : besedilo.split(u'\n')) {
        while (!v.isEmpty() && v.back().isSpace())
            v.chop(1);
        if (!v.trimmed().isEmpty())
            out << v;
    }
    return out;
}

QString besediloStavka(const TOracleStatementBase &st)
{
    QString s = st.SQL.join(u'\n');
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(u'\r', u'\n');
    return s;
}

// The DBF's file name as it is on disk (a table name may lack its extension).
QString datotekaDBF(const QString &dbf)
{
    if (!QFileInfo(dbf).suffix().isEmpty())
        return dbf;
    for (const char *k : {".DBF", ".dbf"})
        if (QFileInfo::exists(dbf + QLatin1String(k)))
            return dbf + QLatin1String(k);
    return dbf;
}

} // namespace

QString sqlLiteral(const QVariant &vrednost, TOracleType tip)
{
    const QString null = QStringLiteral("NULL");
    if (vrednost.isNull() || !vrednost.isValid())
        return null;
    const bool stevilo = tip == otInteger || tip == otFloat;
    switch (vrednost.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::Short:
        return stevilo ? QString::number(vrednost.toLongLong()) : vNarekovajih(QString::number(vrednost.toLongLong()));
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = vrednost.toDouble();
        if (tip == otInteger)
            return QString::number(qRound64(d));
        return stevilo ? oravalue::numberText(d) : vNarekovajih(oravalue::numberText(d));
    }
    default:
        break;
    }
    const QString s = vrednost.toString();
    if (s.isEmpty())
        return null; // an empty text binds as null
    if (stevilo) {
        double d = 0;
        bool celo = false;
        qint64 c = 0;
        // A text that is no number stays a text: the database refuses it as
        // it refuses the bound value.
        if (oravalue::parseNumber(s, d, &celo, &c)) {
            if (tip == otInteger)
                return QString::number(celo ? c : qRound64(d));
            return celo ? QString::number(c) : oravalue::numberText(d);
        }
    }
    return besediloSql(s);
}

QString sqlStevilcenje(TAvto avto, const QString &stavek)
{
    switch (avto) {
    case TAvto::brez:
        return QString();
    case TAvto::getSequence: {
        static const QRegularExpression klic(QStringLiteral(":\\s*naslednji\\s*:=\\s*(.+?)\\s*;"),
                                             QRegularExpression::CaseInsensitiveOption |
                                                 QRegularExpression::DotMatchesEverythingOption);
        const QRegularExpressionMatch m = klic.match(stavek);
        if (m.hasMatch())
            return m.captured(1);
        break;
    }
    case TAvto::nextVal: {
        static const QRegularExpression zaporedje(QStringLiteral("[A-Za-z0-9_$#\".]+\\.nextval\\b"),
                                                  QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch m = zaporedje.match(stavek);
        if (m.hasMatch())
            return m.captured(0);
        break;
    }
    case TAvto::max: {
        // The refresh numbers on from the value the statement gives; run in
        // the insert, the statement sees the rows inserted before it.
        QString s = stavek.trimmed();
        while (s.endsWith(u';'))
            s = s.chopped(1).trimmed();
        return QStringLiteral("(select nvl(max(naslednji),0)+1 from (") + s + QStringLiteral("))");
    }
    }
    throw EMoxError(QStringLiteral("Stavka za avtomatično številčenje ni mogoče zapisati v SQL datoteko: ") + stavek);
}

QString sqlDatoteka(const QString &rezultatnaDatoteka)
{
    QString s = rezultatnaDatoteka;
    if (s.endsWith(QStringLiteral(".rez"), Qt::CaseInsensitive))
        s.chop(4);
    return s + QStringLiteral(".sql");
}

void TSqlIzpis::odstrani(const QString &pot)
{
    if (QFile::exists(pot) && !QFile::remove(pot))
        throw EMoxError(QStringLiteral("Napaka pri pisanju v: ") + pot);
}

void TSqlIzpis::odpri(const QString &pot, const TTableDescription &opis, const QString &dbf, TAvto avto,
                      const QString &avtoStavek)
{
    zapri();
    m_tipi.clear();
    for (const tipKolone &k : opis.aKolone)
        m_tipi.insert(upperAZ(k.imePolja), tipSpremenljivke(k.tipPolja, nullptr));
    m_avtoStolpec = avto == TAvto::brez ? QString() : upperAZ(opis.poljeAuto);
    m_avtoIzraz = sqlStevilcenje(avto, avtoStavek);
    m_avto = avto;
    m_prejsnjaVrstica.clear();

    m_f.odpri(pot);
    QStringList glava{
        QStringLiteral("TABELA :") + opis.tabela,
        QStringLiteral("Stavki, ki bi jih izvedlo osveževanje; zapisalo jih je samo preverjanje, ki ni izvedlo ničesar."),
        QStringLiteral("Čas: ") + QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")),
        QStringLiteral("Vhodna datoteka: ") + datotekaDBF(dbf),
        QStringLiteral("Vsak stavek je potrjen s commit; blok se konča z vrstico \"/\". Kodna stran Windows-1250."),
    };
    const QString izraz = QString(m_avtoIzraz).replace(u'\n', u' ');
    switch (avto) {
    case TAvto::brez:
        break;
    case TAvto::getSequence:
        glava << m_avtoStolpec + QStringLiteral(" nove vrstice da funkcija za številčenje ob izvajanju datoteke:")
              << QStringLiteral("  ") + izraz;
        break;
    case TAvto::nextVal:
        glava << m_avtoStolpec + QStringLiteral(" nove vrstice da zaporedje ob izvajanju datoteke:")
              << QStringLiteral("  ") + izraz;
        break;
    case TAvto::max:
        glava << m_avtoStolpec + QStringLiteral(" prve nove vrstice je vrednost stavka ob izvajanju datoteke + 1,")
              << QStringLiteral("vsake naslednje številka vrstice, vstavljene pred njo (poiskane po ključu), + 1:")
              << QStringLiteral("  ") + izraz;
        break;
    }
    if (avto != TAvto::brez)
        glava << QStringLiteral("Preverjanje ni porabilo nobene številke.");
    opomba(glava.join(u'\n'));
    // A text holding "&" is not a substitution variable for SQL*Plus.
    pisi({QStringLiteral("SET DEFINE OFF")});
}

void TSqlIzpis::zapri()
{
    m_f.zapri();
}

void TSqlIzpis::opomba(const QString &besedilo)
{
    QString s = besedilo;
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(u'\r', u'\n');
    QStringList vrstice;
    for (const QString &v : s.split(u'\n'))
        vrstice << QStringLiteral("-- ") + v;
    pisi(vrstice);
}

void TSqlIzpis::vstavi(const TOracleStatementBase &ins, const TOracleStatementBase &upd,
                       const QHash<QString, QString> &clobi)
{
    zapisi(ins, upd, clobi, true);
}

void TSqlIzpis::popravi(const TOracleStatementBase &upd, const QHash<QString, QString> &clobi)
{
    zapisi(upd, upd, clobi, false);
}

void TSqlIzpis::zapisi(const TOracleStatementBase &st, const TOracleStatementBase &iskanje,
                       const QHash<QString, QString> &clobi, bool vstavljanje)
{
    QString sql = besediloStavka(st);
    // The CLOB columns the statement returns into locators, in the order of
    // their empty_clob() values; the texts take their place.
    QStringList lobi;
    const qsizetype vrnitev = najdiBesedo(sql, QLatin1StringView("RETURNING"));
    if (vrnitev >= 0) {
        const qsizetype v = najdiBesedo(sql, QLatin1StringView("INTO"), vrnitev);
        for (const QString &l : sql.mid(vrnitev + 9, v < 0 ? -1 : v - vrnitev - 9).split(u','))
            lobi << upperAZ(l.trimmed());
        sql = sql.left(vrnitev);
    }

    auto literal = [this](const TOracleStatementBase &s, const QString &ime) {
        return sqlLiteral(s.GetVariable(ime).value(), m_tipi.value(upperAZ(ime), otString));
    };
    // The table and the key condition that find the record's row.
    const QString isk = besediloStavka(iskanje);
    const qsizetype posodobi = najdiBesedo(isk, QLatin1StringView("UPDATE"));
    const qsizetype set = najdiBesedo(isk, QLatin1StringView("SET"), posodobi < 0 ? 0 : posodobi);
    const qsizetype kje = najdiBesedo(isk, QLatin1StringView("WHERE"), set < 0 ? 0 : set);
    const qsizetype konec = najdiBesedo(isk, QLatin1StringView("RETURNING"), kje < 0 ? 0 : kje);
    const QString tabela = posodobi < 0 || set < 0 ? QString() : isk.mid(posodobi + 6, set - posodobi - 6).trimmed();
    const QString pogoj = kje < 0 ? QString()
                                  : nadomesti(isk.mid(kje, konec < 0 ? -1 : konec - kje).trimmed(),
                                              [&](const QString &ime) { return literal(iskanje, ime); },
                                              [] { return QStringLiteral("empty_clob()"); });

    auto spremenljivka = [&](const QString &ime) {
        if (vstavljanje && !m_avtoStolpec.isEmpty() && upperAZ(ime) == m_avtoStolpec) {
            // The MAX( form numbers on from the number it gave before, as the
            // refresh numbers on from the value it read once: the row the
            // file inserted before, found by its key, plus one.
            if (m_avto == TAvto::max && !m_prejsnjaVrstica.isEmpty())
                return QStringLiteral("(select nvl(max(") + m_avtoStolpec + QStringLiteral(")+1,") + m_avtoIzraz +
                       QStringLiteral(") from ") + m_prejsnjaVrstica + u')';
            return m_avtoIzraz;
        }
        return literal(st, ime);
    };
    std::vector<std::pair<QString, QString>> dodatki; // (column, further piece of its text)
    qsizetype stLoba = 0;
    auto clob = [&]() -> QString {
        if (stLoba >= lobi.size())
            return QStringLiteral("empty_clob()");
        const QString stolpec = lobi[stLoba++];
        const QString t = clobi.value(stolpec);
        // An empty text stays the empty CLOB the refresh leaves.
        if (t.isEmpty())
            return QStringLiteral("empty_clob()");
        if (t.toUtf8().size() <= kLiteralBajtov)
            return besediloSql(t);
        const QStringList kosi = razdeli(t, kClobKos);
        for (qsizetype i = 1; i < kosi.size(); ++i)
            dodatki.emplace_back(stolpec, kosi[i]);
        return besediloSql(kosi.first());
    };
    QStringList vrstice = vrsticeStavka(nadomesti(sql, spremenljivka, clob));
    if (vrstice.isEmpty())
        return;
    vrstice.last() += u';';
    if (vstavljanje && !tabela.isEmpty() && !pogoj.isEmpty())
        m_prejsnjaVrstica = tabela + u' ' + pogoj;

    if (dodatki.empty()) {
        pisi(vrstice << QStringLiteral("commit;"));
        return;
    }

    // A text longer than a literal: appended piece by piece to the row the
    // update's key condition finds, in one block with its commit.
    if (tabela.isEmpty() || pogoj.isEmpty())
        throw EMoxError(QStringLiteral("Za SQL datoteko ni pogoja, ki bi našel vrstico z dolgim besedilom: ") + isk);

    QStringList blok{QStringLiteral("begin")};
    blok << vrstice;
    for (const auto &[stolpec, kos] : dodatki) {
        QString s = QStringLiteral("update ") + tabela + QStringLiteral(" set ") + stolpec + u'=' + stolpec +
                    QStringLiteral("||");
        dodaj(s, besediloSql(kos));
        blok << vrsticeStavka(s + u'\n' + pogoj + u';');
    }
    pisi(blok << QStringLiteral("commit;") << QStringLiteral("end;") << QStringLiteral("/"));
}
