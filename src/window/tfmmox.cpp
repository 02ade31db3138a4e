#include "window/tfmmox.h"

#include "automation/housekeeping.h"
#include "credentials/gui/tfmconnect.h"
#include "log/messages.h"
#include "log/runlog.h"
#include "run/schemanames.h"
#include "platform/fileinfo.h"
#include "base/moxerror.h"
#include "startup/settings.h"
#include "startup/startup.h"
#include "base/text.h"
#include "ui/messageform.h"
#include "ui/widgetinteraction.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QLocale>
#include <QMetaMethod>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>

TfmMOX::TfmMOX(const QStringList &arguments, QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("fmMOX"));
    setWindowTitle(QStringLiteral("OSVEŽEVANJE TABEL"));

    auto interaction = std::make_unique<TWidgetInteraction>();
    // Dialogs answered without a screen leave their text in the run log too.
    interaction->logSink = [this](const QString &text) {
        try {
            const QString datum = datumBesedilo(QDate::currentDate()) + QStringLiteral("  ");
            QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
            for (QString &l : lines)
                l.prepend(datum);
            zapisiVLog(m_ctx, nullptr, lines);
        } catch (const EMoxError &) {
            // No log folder yet: the text has gone to stderr already.
        }
    };
    m_interaction = std::move(interaction);
    m_ctx.ui = m_interaction.get();

    registerHousekeeping(m_dispatch);
    m_screens = std::make_unique<TScreens>(this, *this, m_ctx);

    formCreate(arguments);

    resize(760, 560);
    if (const QScreen *s = screen()) {
        const QRect r = s->availableGeometry();
        move(r.center() - QPoint(width() / 2, height() / 2));
    }
}

TfmMOX::~TfmMOX()
{
    // The dialog is a child of the window: release it while the window lives.
    m_connectDialog.reset();
}

bool TfmMOX::headless() { return TMessageForm::isHeadless(); }

void TfmMOX::formCreate(const QStringList &arguments)
{
    m_ctx.p_prvicNaFormi = true;
    m_ctx.p_nizMain = windowTitle();
    m_ctx.p_sl.clear();
    m_ctx.p_replikacija = false;
    m_ctx.p_moxShrani = false;
    m_ctx.p_autoPrepare = false;

    // Version and date of the program file, the date still in the
    // platform's short form.
    const TIFileInfo info(QCoreApplication::applicationFilePath());
    const QDateTime datum = info.GetaiFileDate();
    m_ctx.pOrgMainCaption = m_ctx.p_nizMain + QStringLiteral("     Ver.%1 (%2) ")
                                                  .arg(info.FsFileVersion,
                                                       QLocale().toString(datum.date(), QLocale::ShortFormat));
    TMessageForm::setApplicationTitle(m_ctx.p_nizMain);

    m_ctx.p_crlf = QStringLiteral("\r\n");
    m_ctx.currReplikacija = false;
    m_ctx.currInclude.clear();
    m_ctx.currTabela.clear();
    m_ctx.currUserAsTavo = QStringLiteral("TAVO");
    m_ctx.currUserAsFaktur = QStringLiteral("FAKTUR");

    naloziNastavitve();
    m_screens->showStart();
    zajemiArgumente(m_ctx, arguments);
    m_ctx.pAutomatika = false;
}

void TfmMOX::naloziNastavitve()
{
    preberiNastavitveIzDatoteke(m_ctx);
    m_screens->naloziNaZaslone(m_ctx);
    uveljaviNastavitve(m_ctx);
}

void TfmMOX::ShraniNastavitev() { ::ShraniNastavitev(m_ctx); }

void TfmMOX::omogociMenije(bool on) { m_screens->omogociMenije(on); }

void TfmMOX::NapolniMUuser() { ::NapolniMUuser(m_ctx); }

bool TfmMOX::preveriDirektorij(QLineEdit *field) { return preveriDirektorijPot(field->text(), *m_ctx.ui, headless()); }

bool TfmMOX::preveriDirektorije()
{
    return preveriDirektorij(m_screens->edNastPotDat()) && preveriDirektorij(m_screens->edNastPotLog());
}

bool TfmMOX::zPrikazomNapake(const std::function<void()> &korak)
{
    // The window's end of every action: an error is shown here, once.
    try {
        korak();
        return true;
    } catch (const EMoxError &e) {
        m_ctx.ui->showMessage(e.message());
    } catch (const std::exception &e) {
        m_ctx.ui->showMessage(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

void TfmMOX::btNShraniClick()
{
    zPrikazomNapake([this] {
        if (!preveriDirektorije())
            return;
        m_screens->preberiNastavitve(m_ctx);
        ShraniNastavitev();
        naloziNastavitve();
        m_screens->showStart();
    });
}

TfmConnectOn &TfmMOX::ensureConnectDialog()
{
    if (!m_connectDialog)
        m_connectDialog = std::make_unique<TfmConnectOn>(m_ctx, this);
    return *m_connectDialog;
}

void TfmMOX::prijaviSe()
{
    zPrikazomNapake([this] { prijava(); });
}

void TfmMOX::prijava()
{
    m_connectDialog.reset();
    m_connectDialog = std::make_unique<TfmConnectOn>(m_ctx, this);
    if (!m_ctx.currMoreInstall) {
        m_ctx.p_autoConnect = m_ctx.pautoG;
        m_ctx.pautoG = false;
    }
    m_connectDialog->nastaviPolja(m_ctx.currUser, m_ctx.currPassword, m_ctx.currServer);
    m_connectDialog->izvedi();
    omogociMenije(m_ctx.osOracle.Connected());
    setWindowTitle(m_ctx.pOrgMainCaption + QString(7, u' ') + moxtext::upperAZ(m_ctx.currServer));
}

void TfmMOX::mmActivateLargeRBClick()
{
    zPrikazomNapake([this] {
        QAction *a = m_screens->mmActivateLargeRB();
        bool oznaceno = a->isChecked();
        activateLargeRB(m_ctx, oznaceno);
        a->setChecked(oznaceno);
    });
}

void TfmMOX::pripraviSejoAction()
{
    zPrikazomNapake([this] { pripraviSejo(m_ctx.quDyn1, m_ctx); });
}

bool TfmMOX::runOperation(const QString &name)
{
    bool ran = false;
    return zPrikazomNapake([&] { ran = m_dispatch.run(m_ctx, name); }) && ran;
}

void TfmMOX::openStructureEditor(bool masterDetail)
{
    runOperation(masterDetail ? QString::fromLatin1(moxshellops::urediMasterDetail)
                              : QString::fromLatin1(moxshellops::urediStrukturo));
}

void TfmMOX::mmKonecClick() { close(); }

// ---------------------------------------------------------------- activation

bool TfmMOX::event(QEvent *e)
{
    if (e->type() == QEvent::WindowActivate)
        scheduleActivation();
    return QMainWindow::event(e);
}

void TfmMOX::showEvent(QShowEvent *e)
{
    QMainWindow::showEvent(e);
    if (m_activated)
        return;
    // Without a window manager (Xvfb) or a screen (offscreen) a shown window
    // may never be activated: ask for it, and run the first-activation steps
    // shortly after showing in any case.
    QTimer::singleShot(0, this, [this] {
        raise();
        activateWindow();
    });
    QTimer::singleShot(200, this, [this] { scheduleActivation(); });
}

void TfmMOX::scheduleActivation()
{
    if (m_activated || m_activationScheduled)
        return;
    m_activationScheduled = true;
    QTimer::singleShot(0, this, [this] { formActivate(); });
}

void TfmMOX::formActivate()
{
    if (m_activated)
        return;
    m_activated = true;
    try {
        m_screens->kopirajDirektorijeVNastavitve(m_ctx);
        if (m_ctx.p_prvicNaFormi && !blokA())
            return;
        blokB();
        blokC();
    } catch (const EMoxError &e) {
        m_ctx.ui->showMessage(e.message());
        if (headless())
            koncaj(2);
    }
}

bool TfmMOX::blokA()
{
    if (!preveriDirektorije())
        m_screens->showSettings();

    if (m_ctx.runParamType.startsWith(QStringLiteral("@MU_"))) {
        m_ctx.currMoreInstall = true;
        m_ctx.p_autoConnect = true;
    }

    if (m_ctx.runParamType.startsWith(u'@')) {
        m_ctx.pAutomatika = true;
        m_ctx.p_sl.clear();
        m_ctx.p_sl = moxtext::readTextLines(imeSkripte(m_ctx.runParamType));
        const TUkaz u = razcleniUkaz(m_ctx.p_sl.value(0));
        if (u.ukaz == QStringLiteral("CONNECT")) {
            m_ctx.currUser = u.a1;
            m_ctx.currPassword = u.a2;
            m_ctx.currServer = u.a3;
            m_ctx.p_autoConnect = true;
            if (!u.a1.isEmpty())
                m_ctx.currUser = moxtext::upperAZ(u.a1);
            if (!u.a3.isEmpty())
                m_ctx.currServer = moxtext::upperAZ(u.a3);
            connectGeslo(m_ctx, m_ctx.currServer, m_ctx.currUser, u.a2, m_ctx.currPassword);
        }
    }

    prijaviSe();

    if (!m_ctx.osOracle.Connected()) {
        // No logon at start: the program ends. Without a person, or in a
        // run with arguments, that is a failure of the run.
        koncaj(headless() || m_ctx.declRunParam ? 2 : 0);
        return false;
    }

    if (aliJeVecInstacijNaTrenutniInstanci(m_ctx.currServer)) {
        setWindowTitle(m_ctx.p_nizMain + QStringLiteral("  ") + m_ctx.currUser + u'@' + m_ctx.currServer +
                       QStringLiteral("  (MULTIUSER) "));
        m_ctx.currMoreInstall = true;
    } else {
        m_ctx.currMoreInstall = false;
    }

    if ((m_ctx.osOracle.Connected() || !m_ctx.p_autoConnect) && m_ctx.declRunParam) {
        if (isSignalConnected(QMetaMethod::fromSignal(&TfmMOX::startAutomation))) {
            emit startAutomation();
        } else if (headless()) {
            // Nothing runs the command line: end rather than wait for nobody.
            m_ctx.ui->showMessage(niNaVoljo(QStringLiteral("avtomatika")));
            koncaj(2);
            return false;
        }
    }

    pripraviSejo(m_ctx.quDyn1, m_ctx);
    // Triggers that an interrupted refresh left switched off at this
    // installation are switched on (and the run log says so).
    try {
        vklopiPozabljeneTriggerje(m_ctx, moxtext::upperAZ(m_ctx.currUser));
    } catch (const EMoxError &e) {
        m_ctx.ui->showMessage(QStringLiteral("NAPAKA pri vklopu triggerjev: ") + e.message());
    }
    return true;
}

void TfmMOX::blokB()
{
    if (m_ctx.runParamType.isEmpty() || !m_ctx.p_prvicNaFormi || !m_ctx.osOracle.Connected())
        return;
    m_ctx.p_prvicNaFormi = false;
    if (m_ctx.currMoreInstall)
        emit loadInstallations();
}

void TfmMOX::blokC()
{
    if (!m_ctx.p_prvicNaFormi || !m_ctx.osOracle.Connected())
        return;
    NapolniMUuser();
    m_ctx.p_autoConnect = true;
    m_ctx.p_sl.clear();
    m_ctx.pautoG = false;
    m_ctx.pAutomatika = false;
}

void TfmMOX::koncaj(int status)
{
    m_exitStatus = status;
    close();
}

void TfmMOX::closeEvent(QCloseEvent *e)
{
    m_ctx.p_sl.clear();
    e->accept();
    QMainWindow::closeEvent(e);
    if (!m_ended) {
        m_ended = true;
        emit programEnded(m_exitStatus);
    }
}
