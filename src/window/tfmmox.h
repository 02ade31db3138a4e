#pragma once
// The main window "fmMOX": owns the run state, the Oracle session with its
// query and statement objects, the DBF table objects (all in TMoxContext),
// the screens and the window implementation of TInteraction.
//
// Creation reads the settings file and the command line; the first
// activation checks the directories, logs on through the connection dialog,
// decides whether the database serves several installations, prepares the
// session and, in a run with arguments, starts the automation.
#include "run/context.h"
#include "startup/dispatch.h"

#include <QMainWindow>
#include <QStackedWidget>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

#include "window/screens.h"

class QLineEdit;
class TfmConnectOn;

class TfmMOX : public QMainWindow, public TScreenActions {
    Q_OBJECT
public:
    // arguments: the command line without the program name (Qt's own
    // options already removed).
    explicit TfmMOX(const QStringList &arguments, QWidget *parent = nullptr);
    ~TfmMOX() override;

    // --- TScreenActions ---
    TMoxContext &context() override { return m_ctx; }
    // Shows the connection dialog filled with the logon of the run state;
    // also the menu command "Prijava".
    void prijaviSe() override;
    // "Shrani" of the settings screen.
    void btNShraniClick() override;
    // "LargeRB ON": switches the large rollback segment online or offline.
    void mmActivateLargeRBClick() override;
    void pripraviSejoAction() override;
    // The dispatch point: runs the operation registered under name.
    bool runOperation(const QString &name) override;
    // Runs a step of a window action; an error it raises is shown (once)
    // and gives false. The window's actions end here.
    bool zPrikazomNapake(const std::function<void()> &korak);
    void openStructureEditor(bool masterDetail) override;
    void mmKonecClick() override;

    // --- Run state and owned objects ---
    TRunState &runState() { return m_ctx; }
    TDispatch &dispatch() { return m_dispatch; }
    TScreens *screens() const { return m_screens.get(); }
    TInteraction &interaction() { return *m_ctx.ui; }
    // The connection dialog made by the last prijaviSe (the command script's
    // CONNECT fills it and runs its connect action); nullptr before the first.
    TfmConnectOn *connectDialog() const { return m_connectDialog.get(); }
    // Creates the connection dialog when there is none yet and returns it.
    TfmConnectOn &ensureConnectDialog();

    // --- Operations of the window ---
    // Settings file into the run state and the screens.
    void naloziNastavitve();
    // Run state into the settings file (throws EMoxError naming the file).
    void ShraniNastavitev();
    // Enables the menus "Osveževanje" and "Priprava" together.
    void omogociMenije(bool on);
    // Maps the logged-on user to its installation (multi-installation
    // databases); errors of the installations query reach the caller.
    void NapolniMUuser();
    // Ensures the directory named in the field exists (asks, then creates it).
    bool preveriDirektorij(QLineEdit *field);
    // preveriDirektorij on the save directory field, then on the log one.
    bool preveriDirektorije();

    // The first-activation steps (blocks A, B and C). Runs once, on the
    // window's first activation or the fallback after showing it.
    void formActivate();
    bool activationDone() const { return m_activated; }

    // True on Qt's offscreen and minimal platforms: no person is there,
    // every dialog takes its default answer.
    static bool headless();

    // Exit status for the program's end (0 normally; 2 when the logon at
    // start failed in a run without a person or with arguments). The
    // automation may set its own.
    int exitStatus() const { return m_exitStatus; }
    void setExitStatus(int status) { m_exitStatus = status; }

signals:
    // Block A step 7: the automation timer is to start (the automation
    // connects its timer here).
    void startAutomation();
    // Block B: a multi-installation run is to load its installations.
    void loadInstallations();
    // The main window was closed; the program ends with this status.
    void programEnded(int exitStatus);

protected:
    bool event(QEvent *e) override;
    void showEvent(QShowEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

private:
    void formCreate(const QStringList &arguments);
    void prijava();
    bool blokA(); // false when the program ends for want of a logon
    void blokB();
    void blokC();
    void scheduleActivation();
    void koncaj(int status);

    TMoxContext m_ctx;
    std::unique_ptr<TInteraction> m_interaction;
    TDispatch m_dispatch;
    std::unique_ptr<TScreens> m_screens;
    std::unique_ptr<TfmConnectOn> m_connectDialog;
    bool m_activated = false;
    bool m_activationScheduled = false;
    bool m_ended = false;
    int m_exitStatus = 0;
};
