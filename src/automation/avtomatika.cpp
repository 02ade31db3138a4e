#include "automation/avtomatika.h"

#include "credentials/tfmconnecton.h"
#include "shell/screens.h"
#include "shell/tfmmox.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>

#include <cstdio>
#include <string_view>

// The runner names the screens' operations by text; they must stay the
// screens' names.
static_assert(std::string_view(moxops::osveziSplosno) == "osveziSplosno");
static_assert(std::string_view(moxops::pripraviSplosno) == "pripraviSplosno");
static_assert(std::string_view(moxops::preberiStrukturo) == "preberiStrukturo");
static_assert(std::string_view(moxops::triggerjiSplosnoIzklop) == "preklopiTriggerje:DISABLE");
static_assert(std::string_view(moxops::triggerjiSplosnoVklop) == "preklopiTriggerje:ENABLE");
static_assert(std::string_view(moxops::triggerjiParametrovIzklop) == "preklopiTriggerjeParametrov:DISABLE");
static_assert(std::string_view(moxops::triggerjiParametrovVklop) == "preklopiTriggerjeParametrov:ENABLE");

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

void TAvtomatika::pripraviZaslon(const QString &op, const QString &dir, const QString &strukturnaDatoteka,
                                 const QString &filter)
{
    TScreens &s = *m_window.screens();
    TMoxContext &ctx = m_window.context();
    auto besedilo = [&s](const char *ime, const QString &text) {
        if (auto *e = s.control<QLineEdit>(QLatin1String(ime)))
            e->setText(text);
    };
    auto izklopi = [&s](const char *ime) {
        if (auto *c = s.control<QCheckBox>(QLatin1String(ime)))
            c->setChecked(false);
    };
    auto mapa = [&](const char *ime) {
        if (!dir.isEmpty())
            besedilo(ime, dir);
    };
    auto je = [&op](const char *ime) { return op == QLatin1String(ime); };

    // Refreshes
    if (je(moxops::osveziSKS)) {
        mapa("edPotSKS");
        izklopi("cbSKSsamoPreverjanje");
        s.mmOsvSKSClick();
    } else if (je(moxops::osveziObrazce)) {
        mapa("edPotOBR");
        izklopi("cbOBRsamoPreverjanje");
        s.mmOsvObrazciClick();
    } else if (je(moxops::osveziParametre)) {
        izklopi("cbOBRsamoPreverjanje");
        s.mmOsvParametriClick();
    } else if (je(moxops::osveziGrupe) || je(moxops::osveziGrupe023) || je(moxops::osveziPalete) ||
               je(moxops::osveziAnalizeHC)) {
        mapa("edPotOBR");
        ctx.pAutomatika = true;
        if (je(moxops::osveziGrupe))
            s.mmOsvGrupeClick();
        else if (je(moxops::osveziGrupe023))
            s.mmOsvGrupe023Click();
        else if (je(moxops::osveziPalete))
            s.mmOsvPaleteClick();
        else
            s.mmOsvAnalizeClick();
    } else if (je(moxops::osveziSplosno)) {
        s.showPage(QStringLiteral("tabOsvSplosno"));
        besedilo("edOsvFile", strukturnaDatoteka);
        for (const char *ime : {"edOsvKljuc", "edOsvAuto", "edOsSplStevec", "edOsSplNovih", "edOsSplInsert",
                                "edOsSplPopr", "edOsSplUpdate", "edOsSplError"})
            besedilo(ime, QString());
        izklopi("cbNastSamoPreverjanje");
    }
    // Preparations
    else if (je(moxops::pripraviSKS)) {
        mapa("edPotSKS");
        izklopi("cbSKSsamoPreverjanje");
        s.mmPrSKSClick();
    } else if (je(moxops::pripraviObrazce)) {
        mapa("edPotOBR");
        izklopi("cbOBRsamoPreverjanje");
        s.mmPrObrazciClick();
    } else if (je(moxops::pripraviGrupe)) {
        mapa("edPotOBR");
        ctx.pAutomatika = true;
        s.mmPrGrupeClick();
    } else if (je(moxops::pripraviPalete)) {
        mapa("edPotOBR");
        ctx.pAutomatika = true;
        s.mmPrPaleteClick();
    } else if (je(moxops::pripraviParametre)) {
        izklopi("cbOBRsamoPreverjanje");
        s.mmPrParametriClick();
    } else if (je(moxops::pripraviSplosno)) {
        besedilo("edSplosnoFilter", filter);
        s.showPage(QStringLiteral("tabPrSplosno"));
        besedilo("edSplFile", strukturnaDatoteka);
        besedilo("edPrStevec", QString());
    }
}

TAvtomatika *attachAutomation(TfmMOX &window) { return new TAvtomatika(window); }
