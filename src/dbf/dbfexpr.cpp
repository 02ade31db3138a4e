#include "dbf/dbfexpr.h"

#include "base/moxerror.h"
#include "base/text.h"

#include <cstring>

namespace dbfexpr {

namespace {

enum class TokKind { Name, Operator, End };

struct Token {
    TokKind kind = TokKind::End;
    QString text;
    int pos = 0; // 1-based position in the expression, for messages
};

[[noreturn]] void invalid(const QString &expr, const QString &why)
{
    throw EMoxError(QStringLiteral("Neveljaven izraz indeksa \"%1\": %2").arg(expr, why));
}

bool isNameStart(QChar c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_'; }
bool isNameChar(QChar c) { return isNameStart(c) || (c >= u'0' && c <= u'9'); }

QVector<Token> tokenize(const QString &expr)
{
    QVector<Token> out;
    int i = 0;
    const int n = int(expr.size());
    while (i < n) {
        const QChar c = expr.at(i);
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (isNameStart(c)) {
            const int start = i;
            while (i < n && isNameChar(expr.at(i)))
                ++i;
            out.append({TokKind::Name, expr.mid(start, i - start), start + 1});
            continue;
        }
        if (c == u'+' || c == u',') {
            out.append({TokKind::Operator, QString(c), i + 1});
            ++i;
            continue;
        }
        invalid(expr, QStringLiteral("nepričakovan znak '%1' na mestu %2").arg(c).arg(i + 1));
    }
    out.append({TokKind::End, QString(), n + 1});
    return out;
}

int findField(const QVector<dbfformat::Field> &fields, const QString &name)
{
    for (int i = 0; i < fields.size(); ++i) {
        if (fields.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

// FNV-1a, for a stable short tag name of a composite expression.
quint32 hashText(const QString &s)
{
    quint32 h = 2166136261u;
    for (QChar c : s) {
        h ^= c.unicode();
        h *= 16777619u;
    }
    return h;
}

} // namespace

void KeyExpression::makeKey(const char *record, char *out) const
{
    for (const KeyPart &p : parts) {
        std::memcpy(out, record + p.offset, size_t(p.width));
        out += p.width;
    }
}

QByteArray KeyExpression::key(const char *record) const
{
    QByteArray k(keyLength, Qt::Uninitialized);
    makeKey(record, k.data());
    return k;
}

bool KeyExpression::leadingKey(const QList<QByteArray> &values, QByteArray &out) const
{
    out.clear();
    if (values.size() > parts.size())
        return false;
    for (int i = 0; i < values.size(); ++i) {
        QByteArray v = values.at(i);
        const int w = parts.at(i).width;
        if (v.size() > w) {
            for (qsizetype j = w; j < v.size(); ++j) {
                if (v.at(j) != ' ')
                    return false;
            }
            v.truncate(w);
        }
        out += v;
        out.append(w - int(v.size()), ' ');
    }
    return true;
}

KeyExpression parseExpression(const QString &text, const QVector<dbfformat::Field> &fields)
{
    const QVector<Token> toks = tokenize(text);
    KeyExpression e;
    e.text = text;
    QStringList indexTerms;
    int i = 0;
    for (;;) {
        const Token &t = toks.at(i);
        if (t.kind != TokKind::Name)
            invalid(text, t.kind == TokKind::End ? QStringLiteral("manjka ime polja na koncu")
                                                 : QStringLiteral("manjka ime polja na mestu %1").arg(t.pos));
        const int f = findField(fields, t.text);
        if (f < 0)
            invalid(text, QStringLiteral("polje %1 ne obstaja").arg(t.text));
        const dbfformat::Field &fd = fields.at(f);
        const QString name = moxtext::upperAZ(fd.name);
        switch (fd.type) {
        case 'C':
            indexTerms << name;
            break;
        case 'D':
            indexTerms << QStringLiteral("DTOS(%1)").arg(name);
            break;
        case 'N':
        case 'F':
            indexTerms << QStringLiteral("STR(%1,%2,%3)").arg(name).arg(fd.width).arg(fd.decimals);
            break;
        default:
            invalid(text, QStringLiteral("polja %1 vrste %2 ni mogoče indeksirati").arg(name, QChar::fromLatin1(fd.type)));
        }
        e.parts.append({f, fd.offset, fd.width});
        e.keyLength += fd.width;
        ++i;
        const Token &op = toks.at(i);
        if (op.kind == TokKind::End)
            break;
        // "+" and "," both join the next field to the key.
        if (op.kind != TokKind::Operator)
            invalid(text, QStringLiteral("pričakovan '+' ali ',' na mestu %1").arg(op.pos));
        ++i;
    }
    if (e.keyLength > kMaxKeyLength)
        invalid(text, QStringLiteral("ključ je predolg (%1 znakov, največ %2)").arg(e.keyLength).arg(kMaxKeyLength));
    e.indexText = indexTerms.join(QLatin1Char('+'));
    if (e.parts.size() == 1)
        e.tagName = moxtext::upperAZ(fields.at(e.parts.first().field).name).left(dbfformat::kMaxFieldNameLength);
    else
        e.tagName = QStringLiteral("K%1").arg(hashText(e.indexText), 8, 16, QLatin1Char('0')).toUpper();
    return e;
}

} // namespace dbfexpr
