#pragma once
// The run state of the main window: who is logged on where, directories,
// switches and automation flags. TfmMOX owns the one instance; operations take
// the parts they need by reference.
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

// One loaded "last successful refresh" entry: kind and time text.
struct TRefrZadnji {
    QString vrsta;
    QString datum;
};

struct TRunState {
    // Logon
    QString currUser;
    QString currServer;
    QString currPassword;
    QString currShrani;

    // Directories, held with a trailing separator
    QString currSaveDir;
    QString currDirLog;
    QString currReplSaveDir;
    QString currReplDirLog;

    QString currLargeRBName;
    QString currOwner;

    // Switches
    bool currSamoPreverjanje = false;
    bool currReplikacija = false;
    bool p_replikacija = false;

    // Installation
    bool currMoreInstall = false;
    QString currInstanceAs;
    QString currUserAsTavo = QStringLiteral("TAVO");
    QString currPassAsTavo;
    QString currUserAsFaktur = QStringLiteral("FAKTUR");
    QString currPassAsFaktur;
    QString currInclude;
    QString currTabela;

    // Command line
    bool declRunParam = false;
    QString runParamType;
    QString runParamvalue1;
    QString runParamvalue2;
    QString runParamvalue3;
    QString runParamvalue4;
    QString runParamvalue5;
    QString p_sourceBase;
    QString p_destBase;

    // Flags
    bool p_prvicNaFormi = true;
    bool p_autoConnect = false;
    bool pautoG = false;
    bool pAutomatika = false;
    bool p_moxShrani = false;
    QStringList p_sl;
    QString pOrgMainCaption;
    QString p_nizMain = QStringLiteral("OSVEŽEVANJE TABEL");
    QString p_crlf = QStringLiteral("\r\n");
    bool pKonec = false;
    bool p_autoPrepare = false;

    // Timing and run history
    QDateTime p_startniCas;
    QVector<TRefrZadnji> p_aRefrZadnji; // every loaded entry, no fixed cap

    // Working memo: log lines of the running transfer (meDyn)
    QStringList meDyn;

    // Transfers of this run that recorded errors (a failed write, a run that
    // ended on an error). A transfer adds one when it ends with errors; an
    // unattended run ends with status 1 when the count grew.
    int pNapakePrenosov = 0;
};
