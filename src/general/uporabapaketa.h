#pragma once
// A transfer package at the receiving installation: the check before a
// refresh reads its files (against the package's manifest, and the question
// before a package older than one already applied here), and the record of
// the package a refresh applied.
//
// The record is a row of the run history (orna_util.orna_mox): vrstamox
// "PAKET " + the table's history name (what the refresh writes as its own
// history row's kind: "TAVO.KR031ORG", "SKS", ...), napakemox "K", and the
// package's export time of the table in datummox. Replication reads the
// rows marked "N" only, so these rows never move its time.
#include "base/moxerror.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

struct TMoxContext;

// A package the refresh must not use. prikazano: the operator has seen the
// reason already (answered Ne to the question).
class EPaketZavrnjen : public EMoxError {
public:
    EPaketZavrnjen(const QString &sporocilo, bool prikazano) : EMoxError(sporocilo), m_prikazano(prikazano) {}
    bool prikazano() const { return m_prikazano; }

private:
    bool m_prikazano;
};

// Whether an error is a refusal the operator has seen already (a dialog
// for it again would only repeat the answer).
bool zavrnitevPrikazana(const std::exception &e);

// The history kind of the record of a table's package: "PAKET " + vrsta.
QString vrstaPaketa(const QString &vrsta);

// Before a refresh reads any of the files of a package part (tabela: its
// name in the manifest; vrsta: the refresh's history kind; datoteke: the
// paths, as datotekeDela gives them). Without a manifest the run log notes
// that the package was not checked. A file that is not as the preparation
// wrote it, or a part not prepared whole, is refused; a package exported by
// this installation itself is warned about. When the package is older than
// the newest one of the table applied here, the operator is asked whether
// to use it; an unattended run (pAutomatika, or nobody at the screen)
// refuses it without asking. Raises EPaketZavrnjen on a refusal; returns the
// package's export time of the table (invalid without a manifest).
QDateTime preveriPaketPredOsvezevanjem(TMoxContext &ctx, const QString &mapa, const QString &tabela,
                                       const QString &vrsta, const QStringList &datoteke);

// The export time of the newest package of the kind applied here (invalid
// when none was recorded, or the run history is not kept).
QDateTime zadnjiUporabljeniPaket(TMoxContext &ctx, const QString &vrsta);

// Records, after a refresh that applied its files without errors, the
// package it applied. Does nothing for an invalid time (no manifest) or when
// the run history is not kept; database errors reach the caller. Older
// records of the kind go: the newest one is what the check compares with.
void zapisiUporabljeniPaket(TMoxContext &ctx, const QString &vrsta, const QDateTime &izvozeno);
