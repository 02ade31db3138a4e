#pragma once
// The command script in the main window: the automation timer started at the
// first activation, the installations loaded after the first logon, and the
// window side of the script's commands (the connection dialog for CONNECT,
// the screens of the transfers, the "LargeRB ON" mark, the title).
#include "automation/skripta.h"

#include <QObject>

class QTimer;
class TfmMOX;

class TAvtomatika : public QObject, public TSkriptaOkno {
    Q_OBJECT
public:
    // Connects itself to the window's startAutomation and loadInstallations;
    // a child of the window.
    explicit TAvtomatika(TfmMOX &window);
    ~TAvtomatika() override;

    // The automation timer (500 ms, once).
    QTimer *tiAutoStart() const { return m_tiAutoStart; }
    TSkriptniTek &tek() { return m_tek; }

    // The timer's handler: runs the script (per installation), then closes
    // the main window with the run's exit status. An error no command caught
    // is shown; without a screen the program then ends with status 2, with a
    // screen it stays open.
    void tiAutoStartTimer();
    // Block B of the first activation: the installations of a
    // multi-installation database. A failing query stops the timer (the run
    // does not start) and reaches the caller.
    void naloziInstalacije();

    // --- TSkriptaOkno ---
    bool brezOsebe() const override;
    bool prijava(const QString &user, const QString &password, const QString &server) override;
    void omogociMenije(bool on) override;
    void nastaviNaslov(const QString &naslov) override;
    bool largeRBOznacen() const override;
    void nastaviLargeRB(bool oznacen) override;

private:
    TfmMOX &m_window;
    TSkriptniTek m_tek;
    QTimer *m_tiAutoStart;
};

// Hooks the command script into the main window (call once, after creating
// the window and before it is shown).
TAvtomatika *attachAutomation(TfmMOX &window);
