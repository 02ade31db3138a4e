#pragma once
// The connection dialog "Connect": the only place where the session logs on.
// After a successful logon it copies the logon into the run state and finds
// out whether the run-history table can be written.
#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTimer;
struct TMoxContext;

class TfmConnectOn : public QDialog {
    Q_OBJECT
public:
    explicit TfmConnectOn(TMoxContext &ctx, QWidget *parent = nullptr);
    ~TfmConnectOn() override;

    // Shows the dialog modally. Without a screen (headless) it is not shown:
    // it fills its fields as on showing and runs its connect action once.
    void izvedi();

    // What showing the dialog does: fields from the run state, the list of
    // database aliases, and the automatic logon 500 ms later when a password
    // is there and the run state asks for it (p_autoConnect).
    void formActivate();
    // The connect action ("&Prijava", the timer, the script command CONNECT).
    void btConnectClick();
    // "&Izhod": closes the dialog without logon.
    void btExitClick();
    // The automatic logon: stops the timer and runs the connect action.
    void tiAutoTimer();

    // Fills the three fields (the alias only when the client lists it).
    void nastaviPolja(const QString &user, const QString &password, const QString &database);

    // The last connect action succeeded.
    bool lConnect = false;

    QLineEdit *edUser() const { return m_edUser; }
    QLineEdit *edPassword() const { return m_edPassword; }
    QComboBox *cbDatabases() const { return m_cbDatabases; }
    QCheckBox *cbShraniNastavitev() const { return m_cbShraniNastavitev; }
    QPushButton *btConnect() const { return m_btConnect; }
    QPushButton *btExit() const { return m_btExit; }
    QTimer *tiAuto() const { return m_tiAuto; }

protected:
    void showEvent(QShowEvent *e) override;

private:
    void izberiBazo(const QString &database);

    TMoxContext &m_ctx;
    QLineEdit *m_edUser;
    QLineEdit *m_edPassword;
    QComboBox *m_cbDatabases;
    QCheckBox *m_cbShraniNastavitev;
    QPushButton *m_btConnect;
    QPushButton *m_btExit;
    QTimer *m_tiAuto;
};
