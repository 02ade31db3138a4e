#include "dbf/apollo_p.h"

#include "dbf/binio.h"
#include "base/text.h"

using dbfformat::Field;
using namespace apollodetail;

namespace {

// Character data without trailing blanks (or the NULs some writers pad with).
QString trimmedRight(const char *p, int n)
{
    while (n > 0 && (p[n - 1] == ' ' || p[n - 1] == '\0'))
        --n;
    return moxtext::fromCp1250(p, n);
}

QDate parseStoredDate(const char *p)
{
    int v[8];
    for (int i = 0; i < 8; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return QDate();
        v[i] = p[i] - '0';
    }
    const int y = v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3];
    const int m = v[4] * 10 + v[5];
    const int d = v[6] * 10 + v[7];
    return QDate(y, m, d);
}

// Date (and time) texts a field may be given or hold: "DD.MM.YYYY",
// "DD.MM.YYYY HH:MI:SS", "YYYYMMDD", "YYYY-MM-DD".
QDateTime parseDateTimeText(const QString &text, bool *ok)
{
    const QString t = text.trimmed();
    *ok = true;
    if (t.isEmpty())
        return QDateTime();
    static const char *const formats[] = {"dd.MM.yyyy HH:mm:ss", "d.M.yyyy H:mm:ss", "dd.MM.yyyy HH:mm",
                                          "dd.MM.yyyy", "d.M.yyyy", "yyyyMMdd", "yyyy-MM-dd",
                                          "yyyy-MM-dd HH:mm:ss", "yyyy-MM-ddTHH:mm:ss"};
    for (const char *f : formats) {
        const QDateTime dt = QDateTime::fromString(t, QLatin1String(f));
        if (dt.isValid())
            return dt;
        const QDate d = QDate::fromString(t, QLatin1String(f));
        if (d.isValid())
            return QDateTime(d, QTime(0, 0));
    }
    *ok = false;
    return QDateTime();
}

} // namespace

// ---------------------------------------------------------------- TApolloField

const TApolloFieldInfo &TApolloField::info() const { return m_table->FieldInfo(m_index); }

QString TApolloField::AsString() const
{
    auto &d = *m_table->d;
    const Field &f = d.field(m_index);
    switch (f.type) {
    case 'M':
    case 'G':
    case 'P': {
        const QByteArray bytes = AsBytes();
        return d.rawBlob.at(m_index) ? QString::fromLatin1(bytes) : moxtext::fromCp1250(bytes);
    }
    default:
        break;
    }
    const char *p = d.current() + f.offset;
    switch (f.type) {
    case 'D': {
        if (isBlank(p, f.width))
            return QString();
        const QDate date = parseStoredDate(p);
        return date.isValid() ? date.toString(QStringLiteral("dd.MM.yyyy")) : trimmedRight(p, f.width);
    }
    case 'N':
    case 'F':
        return trimmedRight(p, f.width).trimmed();
    case 'L':
        switch (p[0]) {
        case 'T': case 't': case 'Y': case 'y':
            return QStringLiteral("T");
        case 'F': case 'f': case 'N': case 'n':
            return QStringLiteral("F");
        default:
            return QString();
        }
    case 'I':
        return QString::number(qint32(dbfbin::getLE32(p)));
    default:
        return trimmedRight(p, f.width);
    }
}

QByteArray TApolloField::AsBytes() const
{
    auto &d = *m_table->d;
    const Field &f = d.field(m_index);
    if (f.type == 'M' || f.type == 'G' || f.type == 'P') {
        if (d.mode != TApolloDataSet::Impl::Mode::Browse) {
            auto it = d.memoNew.find(m_index);
            if (it != d.memoNew.end())
                return it->second;
            if (d.mode == TApolloDataSet::Impl::Mode::Insert)
                return QByteArray();
            return d.table->readMemo(d.recno, m_index, d.original.constData());
        }
        if (d.recno == 0)
            return QByteArray();
        return d.table->readMemo(d.recno, m_index, d.current());
    }
    return QByteArray(d.current() + f.offset, f.width);
}

bool TApolloField::IsNull() const
{
    auto &d = *m_table->d;
    const Field &f = d.field(m_index);
    if (f.type == 'M' || f.type == 'G' || f.type == 'P')
        return AsBytes().isEmpty();
    if (f.type == 'I')
        return false;
    return isBlank(d.current() + f.offset, f.width);
}

qint64 TApolloField::AsInteger() const
{
    auto &d = *m_table->d;
    const Field &f = d.field(m_index);
    if (f.type == 'I')
        return qint32(dbfbin::getLE32(d.current() + f.offset));
    if (f.type == 'L')
        return AsString() == QLatin1String("T") ? 1 : 0;
    const QString t = AsString().trimmed();
    if (t.isEmpty())
        return 0;
    bool ok = false;
    const qint64 v = t.toLongLong(&ok);
    if (ok)
        return v;
    // A number with decimals is cut to its whole part, as a conversion of a
    // numeric field would do; anything else is an error.
    const double dv = t.toDouble(&ok);
    if (ok && dv >= -9.2e18 && dv <= 9.2e18)
        return qint64(dv);
    d.fail(QStringLiteral("zapis %1, polje %2: '%3' ni celo število").arg(d.recno).arg(f.name, t));
}

QDateTime TApolloField::AsDateTime() const
{
    auto &d = *m_table->d;
    const Field &f = d.field(m_index);
    if (f.type == 'D') {
        const char *p = d.current() + f.offset;
        if (isBlank(p, f.width))
            return QDateTime();
        const QDate date = parseStoredDate(p);
        if (!date.isValid())
            d.fail(QStringLiteral("zapis %1, polje %2: '%3' ni datum").arg(d.recno).arg(f.name, trimmedRight(p, f.width)));
        return QDateTime(date, QTime(0, 0));
    }
    bool ok = false;
    const QString t = AsString();
    const QDateTime dt = parseDateTimeText(t, &ok);
    if (!ok)
        d.fail(QStringLiteral("zapis %1, polje %2: '%3' ni datum").arg(d.recno).arg(f.name, t.trimmed()));
    return dt;
}

void TApolloField::setAsBytes(const QByteArray &bytes)
{
    auto &d = *m_table->d;
    const Field &f = d.field(m_index);
    if (d.mode == TApolloDataSet::Impl::Mode::Browse)
        d.fail(QStringLiteral("polja %1 ni mogoče spremeniti: tabela ni v načinu vnosa ali popravljanja").arg(f.name));
    if (f.type == 'M' || f.type == 'G' || f.type == 'P') {
        d.memoNew[m_index] = bytes;
        return;
    }
    char *p = d.buf.data() + f.offset;
    const int n = int(qMin<qsizetype>(bytes.size(), f.width));
    std::memcpy(p, bytes.constData(), size_t(n));
    std::memset(p + n, ' ', size_t(f.width - n));
}

void TApolloField::setAsString(const QString &text)
{
    auto &d = *m_table->d;
    const Field &f = d.field(m_index);
    if (d.mode == TApolloDataSet::Impl::Mode::Browse)
        d.fail(QStringLiteral("polja %1 ni mogoče spremeniti: tabela ni v načinu vnosa ali popravljanja").arg(f.name));
    char *p = d.buf.data() + f.offset;
    switch (f.type) {
    case 'M':
    case 'G':
    case 'P':
        d.memoNew[m_index] = d.rawBlob.at(m_index) ? text.toLatin1() : moxtext::toCp1250(text);
        return;
    case 'D': {
        bool ok = false;
        const QDateTime dt = parseDateTimeText(text, &ok);
        if (!ok)
            d.fail(QStringLiteral("polje %1: '%2' ni datum").arg(f.name, text));
        if (!dt.isValid())
            std::memset(p, ' ', 8);
        else
            std::memcpy(p, dt.date().toString(QStringLiteral("yyyyMMdd")).toLatin1().constData(), 8);
        return;
    }
    case 'N':
    case 'F': {
        const QString t = text.trimmed();
        bool ok = t.isEmpty();
        if (!ok)
            t.toDouble(&ok);
        if (!ok)
            d.fail(QStringLiteral("polje %1: '%2' ni število").arg(f.name, text));
        if (t.size() > f.width)
            d.fail(QStringLiteral("polje %1: število '%2' je daljše od širine polja %3").arg(f.name, t).arg(f.width));
        std::memset(p, ' ', size_t(f.width));
        std::memcpy(p + f.width - t.size(), t.toLatin1().constData(), size_t(t.size()));
        return;
    }
    case 'L': {
        const QString t = text.trimmed().toUpper();
        p[0] = t.isEmpty() ? ' ' : ((t == QLatin1String("T") || t == QLatin1String("Y") || t == QLatin1String("1")
                                     || t == QLatin1String("TRUE")) ? 'T' : 'F');
        return;
    }
    case 'I': {
        bool ok = false;
        const QString t = text.trimmed();
        const qint64 v = t.isEmpty() ? 0 : t.toLongLong(&ok);
        if ((!ok && !t.isEmpty()) || v < INT32_MIN || v > INT32_MAX)
            d.fail(QStringLiteral("polje %1: '%2' ni celo število").arg(f.name, text));
        dbfbin::putLE32(p, uint32_t(qint32(v)));
        return;
    }
    default: {
        // Cut to the width: a long value never spills into the next field.
        const QByteArray bytes = moxtext::toCp1250(text);
        const int n = int(qMin<qsizetype>(bytes.size(), f.width));
        std::memcpy(p, bytes.constData(), size_t(n));
        std::memset(p + n, ' ', size_t(f.width - n));
        return;
    }
    }
}

void TApolloField::setAsInteger(qint64 value)
{
    setAsString(QString::number(value));
}

void TApolloField::setAsDateTime(const QDateTime &value)
{
    auto &d = *m_table->d;
    const Field &f = d.field(m_index);
    if (!value.isValid()) {
        setAsString(QString());
        return;
    }
    if (f.type == 'D') {
        setAsString(value.date().toString(QStringLiteral("dd.MM.yyyy")));
        return;
    }
    const bool withTime = f.type != 'C' || f.width >= 19;
    setAsString(value.toString(withTime ? QStringLiteral("dd.MM.yyyy HH:mm:ss") : QStringLiteral("dd.MM.yyyy")));
}
