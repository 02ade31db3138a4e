#pragma once
// Index key expressions: a field name, or field names joined by "+". The key
// of a record is the fixed-width text of its fields, concatenated, exactly as
// stored (a date as its eight digits YYYYMMDD, a number as its text), so that
// plain byte order is index order.
//
// The expression is read by a small tokenizer and a list parser whose joining
// operators are a set: another joining form (for example ",") is added by
// giving it a meaning in parseExpression, not by rewriting the parser.
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
};

// Parses an expression over the given fields (names without regard to case).
// Raises EMoxError "Neveljaven izraz indeksa ..." saying what is wrong.
KeyExpression parseExpression(const QString &text, const QVector<dbfformat::Field> &fields);

} // namespace dbfexpr
