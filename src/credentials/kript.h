#pragma once
// Stored logon passwords: kept scrambled in the settings file, section
// "BAZA_" + database alias, key = user name. The scrambling is a reversible
// transformation of 16-bit character codes keyed by the user name and the
// alias (without regard to their case), a fixed mask and a fixed table of
// offsets. It keeps a password out of plain sight; it is no cipher.
#include <QString>

class TKript {
public:
    TKript() = delete;

    // Scrambles a password: upper-cased, cut or filled with blanks to 15
    // characters. An empty password gives an empty text.
    static QString kriptiraj(const QString &instanca, const QString &kljuc, const QString &niz);
    // Unscrambles; trailing characters with codes 32 and below are removed.
    static QString deKriptiraj(const QString &instanca, const QString &kljuc, const QString &niz);

    // The password stored for the user under the alias, or empty.
    static QString vzemiGeslo(const QString &instanca, const QString &upor);
    // Stores a password for the user (or uporTren, or "*****" when both are
    // empty) under the alias. "*" keeps what is stored; an empty password
    // writes an empty value. Throws EMoxError when the settings file cannot be
    // written.
    static void shraniGeslo(const QString &instanca, const QString &upor, const QString &uporTren, const QString &geslo);

    // The transformation itself; nacin "C" scrambles, anything else
    // unscrambles. Throws EMoxError for an empty alias or an empty key.
    static QString pretvori(const QString &instanca, const QString &kljuc, const QString &niz, const QString &nacin);
};
