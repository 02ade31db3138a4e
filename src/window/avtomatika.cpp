#include "window/avtomatika.h"

#include "credentials/gui/tfmconnect.h"
#include "window/screens.h"
#include "window/tfmmox.h"

#include <QAction>
#include <QTimer>

#include <cstdio>

TAvtomatika::TAvtomatika(TfmMOX &window)
    : QObject(&window), m_window(window), m_tek(window.context(), window.dispatch(), *this),
      m_tiAutoStart(new QTimer(this))
{
    setObjectName(QStringLiteral("TAvtomatika"));
    m_tiAutoStart->setObjectName(QStringLiteral("tiAutoStartTimer"));
    m_tiAutoStart->setInterval(500);
    m_tiAutoStart->setSingleShot(true);
    connect(m_tiAutoStart, &QTimer::timeout, this, &TAvtomatika::tiAutoStartTimer);
    connect(&window, &TfmMOX::startAutomation, m_tiAutoStart, qOverload<>(&QTimer::start));
    connect(&window, &TfmMOX::loadInstallations, this, &TAvtomatika::naloziInstalacije);
}

TAvtomatika::~TAvtomatika() = default;

void TAvtomatika::naloziInstalacije()
{
    try {
        m_tek.naloziInstalacije();
    } catch (...) {
        m_tiAutoStart->stop();
        throw;
    }
}

void TAvtomatika::tiAutoStartTimer()
{
    m_tiAutoStart->stop();
    if (brezOsebe()) {
        m_tek.odmev = [](const QString &text) {
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
            std::fflush(stderr);
        };
    }
    const int status = m_tek.tiAutoStartTimer();
    m_window.setExitStatus(status);
    if (!m_tek.zadnjaNapaka().isEmpty()) {
        // Without a screen the message goes to standard error and the run
        // log; with one it waits for the person, and the program stays open.
        m_window.interaction().showMessage(m_tek.zadnjaNapaka());
        if (!brezOsebe())
            return;
    }
    m_window.close();
}

bool TAvtomatika::brezOsebe() const { return TfmMOX::headless(); }

bool TAvtomatika::prijava(const QString &user, const QString &password, const QString &server)
{
    TfmConnectOn &dialog = m_window.ensureConnectDialog();
    dialog.nastaviPolja(user, password, server);
    dialog.btConnectClick();
    TMoxContext &ctx = m_window.context();
    if (!ctx.osOracle.Connected() && !brezOsebe())
        dialog.izvedi(); // a manual logon; the run waits for it
    return ctx.osOracle.Connected();
}

void TAvtomatika::omogociMenije(bool on) { m_window.omogociMenije(on); }

void TAvtomatika::nastaviNaslov(const QString &naslov) { m_window.setWindowTitle(naslov); }

bool TAvtomatika::largeRBOznacen() const { return m_window.screens()->mmActivateLargeRB()->isChecked(); }

void TAvtomatika::nastaviLargeRB(bool oznacen) { m_window.screens()->mmActivateLargeRB()->setChecked(oznacen); }

TAvtomatika *attachAutomation(TfmMOX &window) { return new TAvtomatika(window); }
