#pragma once
// The command script runner: runs the script (or the one command of the
// command line) once, or once per installation in a database that serves
// several, line by line: CONNECT, PREPARE, REFRESH, SQL, LARGERB and
// REPLIKACIJA. Engine code: what it needs of the main window (the
// connection dialog, the screens of the families, the menu mark of the large
// rollback segment) it asks through TSkriptaOkno.
#include "automation/skriptajezik.h"
#include "transfers/druzine.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

struct TMoxContext;
class TDispatch;

// One installation of a database that serves several (a row of
// ORNA_UTIL.ORNA_INSTALATIONS). The installations of a run are one vector of
// these, so there is no limit on their number: entry k holds what the
// installation arrays bUserTavo[k], bUserFaktur[k], bInstance[k],
// bUserIndex[k] and bScriptStatus[k] held, and the vector's size is the count
// p_iMUStevecVseh.
struct TInstalacija {
    QString userTavo, passTavo;     // bUserTavo[k, 1], [k, 2]: user and password standing for TAVO
    QString userFaktur, passFaktur; // bUserFaktur[k, 1], [k, 2]: the same for FAKTUR
    QString instance;               // bInstance[k]: database alias
    QString userIndex;              // bUserIndex[k]: order number
    QString scriptStatus;           // bScriptStatus[k]: LastScriptStatus as read
};

// Reads every installation, in the order of userIndex, on quDyn. Errors of
// the query reach the caller.
QVector<TInstalacija> naloziInstalacije(TMoxContext &ctx);

// What a script run needs of the main window.
class TSkriptaOkno {
public:
    virtual ~TSkriptaOkno() = default;

    // True when nobody is at the screen: a logon that fails is not offered
    // for a manual retry and ends the run.
    virtual bool brezOsebe() const = 0;

    // CONNECT: puts user, password and alias into the connection dialog and
    // runs its connect action; when the session is not connected afterwards
    // and somebody is there, shows the dialog for a manual logon. Returns
    // whether the session is connected.
    virtual bool prijava(const QString &user, const QString &password, const QString &server) = 0;
    virtual void omogociMenije(bool on) = 0;
    virtual void nastaviNaslov(const QString &naslov) = 0;

    // The mark of the menu command "LargeRB ON" (checked: online).
    virtual bool largeRBOznacen() const = 0;
    virtual void nastaviLargeRB(bool oznacen) = 0;
};

// Exit status of an unattended run.
enum TIzhodAvtomatike {
    izhodBrezNapak = 0,  // every transfer ended without errors
    izhodNapakePrenosov = 1, // some transfer (or SQL command, or switch) recorded errors
    izhodPrekinjen = 2,  // an error no command caught ended the run, or a logon failed
};

class TSkriptniTek {
public:
    TSkriptniTek(TMoxContext &ctx, TDispatch &dispatch, TSkriptaOkno &okno);

    // The installations of a multi-installation run, loaded once after the
    // first logon (naloziInstalacije replaces the list).
    void naloziInstalacije();
    void nastaviInstalacije(QVector<TInstalacija> instalacije) { m_instalacije = std::move(instalacije); }
    const QVector<TInstalacija> &instalacije() const { return m_instalacije; }

    // The work of the automation timer: the script once, or once per
    // installation, then the remembered logon back. Returns the exit status.
    // An error no command catches ends the run: zadnjaNapaka() holds it.
    int tiAutoStartTimer();

    // Runs the script once for the current installation. Errors no command
    // catches are raised.
    void izvediSkripto();

    // Runs one command (a split line).
    void izvediUkaz(const TUkaz &u);

    // The error that ended the last run (empty when it ran to its end).
    const QString &zadnjaNapaka() const { return m_napaka; }
    // Errors the script's own commands recorded (SQL, large rollback segment).
    int napakeUkazov() const { return m_napakeUkazov; }

    // Where script lines and notes of the run go (standard error in runs
    // without a screen); empty: nowhere.
    std::function<void(const QString &)> odmev;

    // The family transfers the script's PREPARE and REFRESH items run (all
    // built-in families unless replaced).
    QList<TDruzina> druzineSkripte = druzine();

private:
    void connect(const TUkaz &u);
    void largeRB(const TUkaz &u);
    void refresh(const TUkaz &u);
    void prepare(const TUkaz &u);
    void sql(const TUkaz &u);
    void replikacija();
    void izklopiLargeRB();
    void niNaVoljo(const QString &operacija);
    // An error of a command: counted (the run ends with status 1), echoed
    // and shown (written to the run log in runs without a screen).
    void napakaUkaza(const QString &sporocilo);
    const TDruzina *druzina(const QString &postavka) const;
    void izvediDruzino(const TDruzina &druzina, bool osvezi, const QString &dir);
    void osveziSplosnoTabelo(const QString &tabela, const QString &dir);
    void pripraviSplosnoTabelo(const moxskripta::TPostavkaPriprave &p, const QString &dir);
    void izpisi(const QString &text) const;
    QString strukturnaDatoteka(const QString &dir, const QString &ime) const;

    TMoxContext &m_ctx;
    TDispatch &m_dispatch;
    TSkriptaOkno &m_okno;
    QVector<TInstalacija> m_instalacije;
    bool m_largeRBNaKoncu = false; // switch the segment off after the last line
    bool m_prijavaNeuspela = false;
    int m_napakeUkazov = 0;
    QString m_napaka;
};
