#pragma once
// The group settings text (xg_grupe.str): which groups the groups preparation
// exports and which of their activities, and which groups the refresh keeps
// clean of links the exporting installation no longer sends. Also the small
// text rules the group files share (dates without a time of day, keys padded
// to a field's width, membership of a comma list).
#include <QString>
#include <QStringList>
#include <QVector>

// One entry of the settings text: a header line after "###" and the activity
// lines up to "POLJA".
struct tipGrupaStr {
    QString grupa;          // group code (CODE_061): the header up to its first blank
    bool storitve = false;  // the header holds "STORITVE": activities go with their services
    QStringList aktivnosti; // the selected activity codes, in order; empty: none listed
};

// The parsed settings text.
struct TNastavitveGrup {
    // Entry 0 is the header before the first "###" (when there is one); the
    // entry begun by the n-th "###" is entry n. Every "###" line makes an
    // entry: there is no fixed limit on their number.
    QVector<tipGrupaStr> vnosi;
    // Every header's group code, in order of appearance (duplicates kept).
    QStringList seznamGrup;
    // Index of the last entry, less one when that entry has an empty group code.
    int stevilo = 0;

    // The entry a group uses: the first entry (0 up to stevilo) whose code
    // equals the group's code exactly, else entry stevilo, the last one. With
    // no "###" line at all (stevilo 0) that is entry 0, the text's only header.
    const tipGrupaStr &vnosZa(const QString &grupa) const;
    // The group list as one text: each code followed by a comma ("K12,K15,").
    QString seznamBesedilo() const;
};

// Parses the settings text, given as its lines (each compared trimmed).
TNastavitveGrup preberiNastavitveGrup(const QStringList &vrstice);

// The settings file of a folder: folder + "xg_grupe.str".
QString datotekaNastavitevGrup(const QString &mapa);
// The lines of the settings file of a folder; empty when there is none.
QStringList naloziNastavitveGrup(const QString &mapa);

// Whole-item membership: an entry selects every activity when it lists none
// or only "*"; otherwise only the codes it names exactly (A1 is not selected
// by a list naming A10).
bool vseAktivnosti(const tipGrupaStr &vnos);
bool aktivnostIzbrana(const tipGrupaStr &vnos, const QString &koda);

// A date-time text "DD.MM.YYYY HH24:MI:SS" as the group files hold it: the
// date alone (10 characters) when the text is shorter than 11 characters or
// its time is 00:00:00, else the first 19 characters.
QString datumBrezUre(const QString &besedilo);

// The text followed by blanks up to the width; a text of that width or
// longer is returned unchanged.
QString dopolniPresledke(const QString &besedilo, int sirina);
