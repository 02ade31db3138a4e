#pragma once
// Index key expressions: a field name, or field names joined by "+" or ",".
// The key of a record is the fixed-width text of its fields, concatenated,
// exactly as stored (a date as its eight digits YYYYMMDD, a number as its
// text), so that plain byte order is index order. Both joining forms make
// the same key: "code_061,code_060" is the key of "code_061+code_060", and the
// index file records it in the "+" form, which other FoxPro readers evaluate.
// The fields of the key stay known (parts), so that a seek can compare each
// field whole (see TApolloDataSet::SeekFields).
#include "dbf/dbfformat.h"

#include <QByteArray>
#include <QString>
#include <QVector>

namespace dbfexpr {

constexpr int kMaxKeyLength = 240;

struct KeyPart {
    int field = 0;  // index into the table's fields
    int offset = 0; // in the record
    int width = 0;
};

struct KeyExpression {
    QString text;        // as given
    QString indexText;   // as written into the index file (names upper case, DTOS/STR for dates and numbers)
    QString tagName;     // name of the tag in the compound index file
    QVector<KeyPart> parts;
    int keyLength = 0;

    bool isValid() const { return !parts.isEmpty(); }
    // Writes the keyLength bytes of the key of a record (deletion flag first).
    void makeKey(const char *record, char *out) const;
    QByteArray key(const char *record) const;
    // The leading bytes of a key whose first fields hold these values, each
    // blank-padded to its field's width (blanks past the width are dropped).
    // False when there are more values than fields or a value does not fit
    // its field: then no key can begin with them.
    bool leadingKey(const QList<QByteArray> &values, QByteArray &out) const;
};

// Parses an expression over the given fields (names without regard to case).
// Raises EMoxError "Neveljaven izraz indeksa ..." saying what is wrong.
KeyExpression parseExpression(const QString &text, const QVector<dbfformat::Field> &fields);

} // namespace dbfexpr
