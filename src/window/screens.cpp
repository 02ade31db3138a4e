#include "window/screens.h"
#include "base/scopeexit.h"

#include "base/paths.h"
#include "window/screen_pages.h"
#include "base/text.h"
#include "ui/prikazirezultat.h"
#include "ui/tfmdbf.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>

#include <cstdio>
#include <exception>
#include <utility>

namespace {

void zapri(TApolloDataSet &t)
{
    if (t.Active())
        t.Close();
}

} // namespace

template <class F> void TScreens::guarded(F &&f)
{
    try {
        f();
    } catch (const EMoxError &e) {
        message(e.message());
    } catch (const std::exception &e) {
        message(QString::fromLocal8Bit(e.what()));
    }
}

TScreens::TScreens(QMainWindow *window, TScreenActions &actions, TMoxContext &ctx)
    : QObject(window), m_window(window), m_actions(actions), m_ctx(ctx)
{
    setObjectName(QStringLiteral("TScreens"));
    buildPages();
    buildMenu();
    showStart();
}

TScreens::~TScreens() = default;

// ---------------------------------------------------------------- pages

void TScreens::addPage(QWidget *page) { m_stack->addWidget(page); }

void TScreens::buildPages()
{
    m_stack = new QStackedWidget(m_window);
    m_stack->setObjectName(QStringLiteral("pcZasloni"));
    m_window->setCentralWidget(m_stack);

    using namespace moxscreens;
    for (QWidget *page : {zaslonStart(),       zaslonNastavitev(),  zaslonPomoc(),       zaslonOsvSplosno(),
                          zaslonOsvSKS(),      zaslonOsvObrazci(),  zaslonOsvParametri(), zaslonOsvGrupe(),
                          zaslonOsvPalete(),   zaslonOsvAnalize(),  zaslonOsvGrupe023(), zaslonPrSplosno(),
                          zaslonPrSKS(),       zaslonPrObrazci(),   zaslonPrParametri(), zaslonPrGrupe(),
                          zaslonPrPalete(),    zaslonPrAnalize(),   zaslonPrGrupe023()})
        addPage(page);

    // Buttons: a click runs the action; an error it raises is shown and the
    // window stays open.
    auto poveziGumb = [this](const char *ime, void (TScreens::*akcija)()) {
        auto *b = control<QAbstractButton>(QLatin1String(ime));
        Q_ASSERT(b);
        connect(b, &QAbstractButton::clicked, this, [this, akcija] { guarded([&] { (this->*akcija)(); }); });
    };
    poveziGumb("btOsSplosno", &TScreens::btOsSplosnoClick);
    poveziGumb("btOsveziSKS", &TScreens::btOsveziSKSClick);
    poveziGumb("btOsveziOBR", &TScreens::btOsveziOBRClick);
    poveziGumb("btOsveziParam", &TScreens::btOsveziParamClick);
    poveziGumb("btOsveziGrupe", &TScreens::btOsveziGrupeClick);
    poveziGumb("btOsveziPalete", &TScreens::btOsveziPaleteClick);
    poveziGumb("btAHCOsvezi", &TScreens::btAHCOsveziClick);
    poveziGumb("btOsveziGrupe023", &TScreens::btOsveziGrupe023Click);
    poveziGumb("btPrSplosno", &TScreens::btPrSplosnoClick);
    poveziGumb("btPripravaSKS", &TScreens::btPripravaSKSClick);
    poveziGumb("btPripraviObr", &TScreens::btPripraviObrClick);
    poveziGumb("btPripravaPar", &TScreens::btPripravaParClick);
    poveziGumb("btAHCPriprava", &TScreens::btAHCPripravaClick);
    poveziGumb("btPripraviGrupe", &TScreens::btPripraviGrupeClick);
    poveziGumb("btPripraviPalete", &TScreens::btPripraviPaleteClick);
    poveziGumb("btPripraviGrupe023", &TScreens::btPripraviGrupe023Click);
    poveziGumb("btShraniGrupe", &TScreens::btShraniGrupeClick);
    poveziGumb("btShraniPalete", &TScreens::btShraniPaleteClick);
    poveziGumb("btShraniGrupe023", &TScreens::btShraniGrupe023Click);
    poveziGumb("btDBFPregled", &TScreens::btDBFPregledClick);
    poveziGumb("spGetStr", &TScreens::spGetStrClick);
    poveziGumb("sbOsvGetStr", &TScreens::sbOsvGetStrClick);
    for (const char *ime : {"btOsvPrekini", "btSKSPrekini", "btPrekiniObr", "btParPrekini", "btAHCPrekini",
                            "btPrPrekini"})
        poveziGumb(ime, &TScreens::prekiniClick);

    auto *shrani = control<QPushButton>(QStringLiteral("btNShrani"));
    connect(shrani, &QPushButton::clicked, this, [this] { guarded([&] { m_actions.btNShraniClick(); }); });
}

// ---------------------------------------------------------------- menu

void TScreens::buildMenu()
{
    QMenuBar *bar = m_window->menuBar();
    bar->setObjectName(QStringLiteral("mmGlavni"));

    auto menu = [&](const QString &napis, const QString &ime) {
        QMenu *m = bar->addMenu(napis);
        m->setObjectName(ime);
        m->menuAction()->setObjectName(ime);
        // Opening a menu that holds items shows the start screen.
        connect(m, &QMenu::aboutToShow, this, &TScreens::showStart);
        return m;
    };
    auto item = [&](QMenu *m, const QString &napis, const QString &ime, auto akcija) {
        QAction *a = m->addAction(napis);
        a->setObjectName(ime);
        connect(a, &QAction::triggered, this, [this, akcija] { guarded(akcija); });
        return a;
    };

    QMenu *prijava = menu(QStringLiteral("Prijava/Nastavitev"), QStringLiteral("mmPrijavaNastavitev"));
    item(prijava, QStringLiteral("Prijava"), QStringLiteral("mmPrijava"), [this] { m_actions.prijaviSe(); });
    item(prijava, QStringLiteral("Nastavitev"), QStringLiteral("mmNastavitev"), [this] { showSettings(); });
    m_mmActivateLargeRB = prijava->addAction(QStringLiteral("LargeRB ON"));
    m_mmActivateLargeRB->setObjectName(QStringLiteral("mmActivateLargeRB"));
    m_mmActivateLargeRB->setCheckable(true);
    // The mark says whether the segment is online; the switch itself sets it
    // on success, so the click must not flip it beforehand.
    connect(m_mmActivateLargeRB, &QAction::triggered, this, [this](bool checked) {
        m_mmActivateLargeRB->setChecked(!checked);
        guarded([&] { m_actions.mmActivateLargeRBClick(); });
    });

    m_mnOsvezevanje = menu(QStringLiteral("Osveževanje"), QStringLiteral("mmOsvezevanje"));
    item(m_mnOsvezevanje, QStringLiteral("Splošne tabele"), QStringLiteral("mmOsvSplosne"),
         [this] { mmOsvSplosneClick(); });
    item(m_mnOsvezevanje, QStringLiteral("Skupni šifranti"), QStringLiteral("mmOsvSKS"), [this] { mmOsvSKSClick(); });
    item(m_mnOsvezevanje, QStringLiteral("Obrazci"), QStringLiteral("mmOsvObrazci"), [this] { mmOsvObrazciClick(); });
    item(m_mnOsvezevanje, QStringLiteral("Parametri"), QStringLiteral("mmOsvParametri"),
         [this] { mmOsvParametriClick(); });
    item(m_mnOsvezevanje, QStringLiteral("Grupe,Aktivnosti"), QStringLiteral("mmOsvGrupe"),
         [this] { mmOsvGrupeClick(); });
    item(m_mnOsvezevanje, QStringLiteral("Palete"), QStringLiteral("mmOsvPalete"), [this] { mmOsvPaleteClick(); });
    item(m_mnOsvezevanje, QStringLiteral("Analize med.podatkov"), QStringLiteral("mmOsvAnalize"),
         [this] { mmOsvAnalizeClick(); });
    item(m_mnOsvezevanje, QStringLiteral("Grupe 023"), QStringLiteral("mmOsvGrupe023"),
         [this] { mmOsvGrupe023Click(); });

    m_mnPriprava = menu(QStringLiteral("Priprava"), QStringLiteral("mmPriprava"));
    item(m_mnPriprava, QStringLiteral("Splošne tabele"), QStringLiteral("mmPrSplosne"), [this] { mmPrSplosneClick(); });
    item(m_mnPriprava, QStringLiteral("Kreiranje strukture za splošne tabele"), QStringLiteral("mmPrStruktura"),
         [this] { m_actions.openStructureEditor(false); });
    item(m_mnPriprava, QStringLiteral("Kreiranje Master/Detail strukture"), QStringLiteral("mmPrMasterDetail"),
         [this] { m_actions.openStructureEditor(true); });
    item(m_mnPriprava, QStringLiteral("Skupni šifranti"), QStringLiteral("mmPrSKS"), [this] { mmPrSKSClick(); });
    item(m_mnPriprava, QStringLiteral("Obrazci"), QStringLiteral("mmPrObrazci"), [this] { mmPrObrazciClick(); });
    item(m_mnPriprava, QStringLiteral("Parametri"), QStringLiteral("mmPrParametri"), [this] { mmPrParametriClick(); });
    item(m_mnPriprava, QStringLiteral("Grupe,aktivnosti"), QStringLiteral("mmPrGrupe"), [this] { mmPrGrupeClick(); });
    item(m_mnPriprava, QStringLiteral("Palete"), QStringLiteral("mmPrPalete"), [this] { mmPrPaleteClick(); });
    item(m_mnPriprava, QStringLiteral("Analize med.podatkov"), QStringLiteral("mmPrAnalize"),
         [this] { mmPrAnalizeClick(); });
    item(m_mnPriprava, QStringLiteral("Grupe 023"), QStringLiteral("mmPrGrupe023"), [this] { mmPrGrupe023Click(); });

    QAction *pomoc = bar->addAction(QStringLiteral("Pomoč"));
    pomoc->setObjectName(QStringLiteral("mmPomoc"));
    connect(pomoc, &QAction::triggered, this, [this] { showPage(QStringLiteral("tabPomoc")); });
    QAction *konec = bar->addAction(QStringLiteral("Konec"));
    konec->setObjectName(QStringLiteral("mmKonec"));
    connect(konec, &QAction::triggered, this, [this] { guarded([&] { m_actions.mmKonecClick(); }); });

    // Disabled until a session is connected.
    omogociMenije(false);
}

// ---------------------------------------------------------------- public state

void TScreens::showStart() { showPage(QStringLiteral("tabStart")); }

void TScreens::showSettings() { showPage(QStringLiteral("tabNastavitev")); }

void TScreens::showPage(const QString &objectName)
{
    for (int i = 0; i < m_stack->count(); ++i) {
        if (m_stack->widget(i)->objectName() == objectName) {
            m_stack->setCurrentIndex(i);
            return;
        }
    }
}

QString TScreens::currentPage() const
{
    QWidget *w = m_stack->currentWidget();
    return w ? w->objectName() : QString();
}

void TScreens::omogociMenije(bool on)
{
    m_mnOsvezevanje->menuAction()->setEnabled(on);
    m_mnPriprava->menuAction()->setEnabled(on);
}

void TScreens::naloziNaZaslone(const TRunState &rs)
{
    for (const char *ime : {"edPotSKS", "edPotOBR", "edNastPotDat"})
        control<QLineEdit>(QLatin1String(ime))->setText(rs.currSaveDir);
    for (const char *ime : {"cbSamoPregled", "cbNastSamoPreverjanje", "cbSKSsamoPreverjanje", "cbOBRsamoPreverjanje"})
        control<QCheckBox>(QLatin1String(ime))->setChecked(rs.currSamoPreverjanje);
    control<QCheckBox>(QStringLiteral("cbNastReplikacija"))->setChecked(rs.currReplikacija);
}

void TScreens::kopirajDirektorijeVNastavitve(const TRunState &rs)
{
    control<QLineEdit>(QStringLiteral("edNastPotLog"))->setText(rs.currDirLog);
    control<QLineEdit>(QStringLiteral("edNastPotDat"))->setText(rs.currSaveDir);
    control<QLineEdit>(QStringLiteral("edNastReplPotLog"))->setText(rs.currReplDirLog);
    control<QLineEdit>(QStringLiteral("edNastReplPotDat"))->setText(rs.currReplSaveDir);
    control<QLineEdit>(QStringLiteral("edNastLastnik"))->setText(rs.currOwner);
}

void TScreens::preberiNastavitve(TRunState &rs)
{
    // File names are appended to the directories directly, so every
    // directory is held with its trailing separator.
    auto dir = [this](const char *ime) {
        return moxpath::withTrailingSeparator(control<QLineEdit>(QLatin1String(ime))->text().trimmed());
    };
    rs.currSaveDir = dir("edNastPotDat");
    rs.currDirLog = dir("edNastPotLog");
    rs.currReplSaveDir = dir("edNastReplPotDat");
    rs.currReplDirLog = dir("edNastReplPotLog");
    rs.currSamoPreverjanje = control<QCheckBox>(QStringLiteral("cbNastSamoPreverjanje"))->isChecked();
    rs.currReplikacija = control<QCheckBox>(QStringLiteral("cbNastReplikacija"))->isChecked();
    rs.currOwner = control<QLineEdit>(QStringLiteral("edNastLastnik"))->text();
}

QLineEdit *TScreens::edNastPotDat() const { return control<QLineEdit>(QStringLiteral("edNastPotDat")); }
QLineEdit *TScreens::edNastPotLog() const { return control<QLineEdit>(QStringLiteral("edNastPotLog")); }
QAction *TScreens::mmActivateLargeRB() const { return m_mmActivateLargeRB; }
QStackedWidget *TScreens::pageArea() const { return m_stack; }
QWidget *TScreens::pageWidget() const { return m_stack; }
QMenu *TScreens::menuOsvezevanje() const { return m_mnOsvezevanje; }
QMenu *TScreens::menuPriprava() const { return m_mnPriprava; }

// ---------------------------------------------------------------- helpers

bool TScreens::run(const char *operation) { return m_actions.runOperation(QString::fromLatin1(operation)); }

void TScreens::message(const QString &text)
{
    if (m_ctx.ui)
        m_ctx.ui->showMessage(text);
    else
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

QString TScreens::datotekaGrup(const TRunState &rs) { return moxpath::join(rs.currSaveDir, QStringLiteral("xg_grupe.str")); }
QString TScreens::datotekaPalet(const TRunState &rs) { return moxpath::join(rs.currSaveDir, QStringLiteral("xp_palet.str")); }
QString TScreens::datotekaGrup023(const TRunState &rs) { return moxpath::join(rs.currSaveDir, QStringLiteral("xg_023.str")); }

void TScreens::naloziBesedilo(QPlainTextEdit *memo, const QString &path, bool izprazniBrez)
{
    if (QFileInfo(path).isFile())
        memo->setPlainText(moxtext::readTextLines(path).join(u'\n'));
    else if (izprazniBrez)
        memo->clear();
}

void TScreens::shraniBesedilo(QPlainTextEdit *memo, const QString &path)
{
    QString text = memo->toPlainText();
    // One line per memo line; a line break at the very end adds no empty
    // line, and an empty memo is an empty file.
    if (text.endsWith(u'\n'))
        text.chop(1);
    moxtext::writeTextLines(path, text.isEmpty() ? QStringList() : text.split(u'\n'));
}

QString TScreens::izberiDatoteko(const QString &filter, const QString &defaultSuffix)
{
    QFileDialog dlg(m_window, QString(), moxpath::native(m_ctx.currSaveDir), filter);
    dlg.setObjectName(QStringLiteral("odStruktura"));
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setDefaultSuffix(defaultSuffix);
    if (moxui::jeBrezZaslona() || m_ctx.pAutomatika)
        return QString(); // nobody to choose a file
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return QString();
    return dlg.selectedFiles().constFirst();
}

// ---------------------------------------------------------------- menu commands

void TScreens::mmOsvSplosneClick()
{
    m_actions.pripraviSejoAction();
    showPage(QStringLiteral("tabOsvSplosno"));
}

void TScreens::mmOsvSKSClick()
{
    m_actions.pripraviSejoAction();
    showPage(QStringLiteral("tabOsvSKS"));
}

void TScreens::mmOsvObrazciClick()
{
    m_actions.pripraviSejoAction();
    showPage(QStringLiteral("tabOsvObrazci"));
}

void TScreens::mmOsvParametriClick() { showPage(QStringLiteral("tabOsvParametri")); }
void TScreens::mmOsvGrupeClick() { showPage(QStringLiteral("tabOsvGrupe")); }
void TScreens::mmOsvPaleteClick() { showPage(QStringLiteral("tabOsvPalete")); }
void TScreens::mmOsvAnalizeClick() { showPage(QStringLiteral("tabOsvAnalize")); }
void TScreens::mmOsvGrupe023Click() { showPage(QStringLiteral("tabOsvGrupe023")); }
void TScreens::mmPrSplosneClick() { showPage(QStringLiteral("tabPrSplosno")); }
void TScreens::mmPrSKSClick() { showPage(QStringLiteral("tabPrSKS")); }
void TScreens::mmPrObrazciClick() { showPage(QStringLiteral("tabPrObrazci")); }
void TScreens::mmPrParametriClick() { showPage(QStringLiteral("tabPrParametri")); }
void TScreens::mmPrAnalizeClick() { showPage(QStringLiteral("tabPrAnalize")); }

void TScreens::mmPrGrupeClick()
{
    // The memo keeps its text when there is no settings file.
    naloziBesedilo(control<QPlainTextEdit>(QStringLiteral("meGrupInit")), datotekaGrup(m_ctx), false);
    showPage(QStringLiteral("tabPrGrupe"));
}

void TScreens::mmPrPaleteClick()
{
    // Without a settings file the memo is emptied.
    naloziBesedilo(control<QPlainTextEdit>(QStringLiteral("mePalInit")), datotekaPalet(m_ctx), true);
    showPage(QStringLiteral("tabPrPalete"));
}

void TScreens::mmPrGrupe023Click()
{
    // The groups-023 list is what the user typed; a saved list is offered
    // only while the memo is still empty, so typed text is never replaced.
    auto *memo = control<QPlainTextEdit>(QStringLiteral("meGrupInit023"));
    if (memo->toPlainText().isEmpty())
        naloziBesedilo(memo, datotekaGrup023(m_ctx), false);
    showPage(QStringLiteral("tabPrGrupe023"));
}

// ---------------------------------------------------------------- refresh buttons

void TScreens::btOsSplosnoClick()
{
    if (control<QLineEdit>(QStringLiteral("edOsvFile"))->text().isEmpty()) {
        message(QStringLiteral("Izberi strukturno datoteko"));
        return;
    }
    m_ctx.pKonec = false;
    // The refresh switches the table's triggers off and on again itself.
    run(moxops::osveziSplosno);
}

void TScreens::btOsveziSKSClick()
{
    auto *gumb = control<QPushButton>(QStringLiteral("btOsveziSKS"));
    zapri(m_ctx.taDBF);
    zapri(m_ctx.taDBF2);
    TNaKoncu konec([this, gumb] {
        zapri(m_ctx.taDBF);
        zapri(m_ctx.taDBF2);
        gumb->setEnabled(true);
    });
    run(moxops::osveziSKS);
}

void TScreens::btOsveziOBRClick()
{
    m_actions.pripraviSejoAction();
    auto *gumb = control<QPushButton>(QStringLiteral("btOsveziOBR"));
    zapri(m_ctx.taDBF);
    zapri(m_ctx.taDBF2);
    zapri(m_ctx.taDBF3);
    gumb->setEnabled(false);
    TNaKoncu konec([this, gumb] {
        zapri(m_ctx.taDBF);
        zapri(m_ctx.taDBF2);
        zapri(m_ctx.taDBF3);
        gumb->setEnabled(true);
    });
    run(moxops::osveziObrazce);
}

void TScreens::btOsveziParamClick()
{
    m_actions.pripraviSejoAction();
    auto *gumb = control<QPushButton>(QStringLiteral("btOsveziParam"));
    zapri(m_ctx.taDBF);
    zapri(m_ctx.taDBF2);
    zapri(m_ctx.taDBF3);
    gumb->setEnabled(false);
    // The tables closed however the refresh ends. The refresh switches the
    // three tables' triggers off and on again itself.
    TNaKoncu konec([this, gumb] {
        zapri(m_ctx.taDBF);
        zapri(m_ctx.taDBF2);
        zapri(m_ctx.taDBF3);
        gumb->setEnabled(true);
    });
    run(moxops::osveziParametre);
}

void TScreens::btOsveziGrupeClick()
{
    m_actions.pripraviSejoAction();
    run(moxops::osveziGrupe);
}

void TScreens::btOsveziPaleteClick()
{
    m_actions.pripraviSejoAction();
    run(moxops::osveziPalete);
}

void TScreens::btAHCOsveziClick()
{
    m_actions.pripraviSejoAction();
    auto *gumb = control<QPushButton>(QStringLiteral("btAHCOsvezi"));
    TNaKoncu konec([gumb] { gumb->setEnabled(true); });
    run(moxops::osveziAnalizeHC);
}

void TScreens::btOsveziGrupe023Click()
{
    m_actions.pripraviSejoAction();
    run(moxops::osveziGrupe023);
}

// ---------------------------------------------------------------- preparation buttons

namespace {
// Runs a preparation with its button disabled meanwhile.
template <class F> void zOnemogocenim(QPushButton *gumb, F &&f)
{
    gumb->setEnabled(false);
    TNaKoncu konec([gumb] { gumb->setEnabled(true); });
    f();
}
} // namespace

void TScreens::btPrSplosnoClick()
{
    m_ctx.pKonec = false;
    if (control<QLineEdit>(QStringLiteral("edSplFile"))->text().isEmpty())
        return;
    control<QLineEdit>(QStringLiteral("edPrStevec"))->clear();
    if (run(moxops::pripraviSplosno))
        control<QPushButton>(QStringLiteral("btDBFPregled"))->setVisible(true);
}

void TScreens::btPripravaSKSClick()
{
    zOnemogocenim(control<QPushButton>(QStringLiteral("btPripravaSKS")), [this] { run(moxops::pripraviSKS); });
}

void TScreens::btPripraviObrClick()
{
    zOnemogocenim(control<QPushButton>(QStringLiteral("btPripraviObr")), [this] { run(moxops::pripraviObrazce); });
}

void TScreens::btPripravaParClick()
{
    zOnemogocenim(control<QPushButton>(QStringLiteral("btPripravaPar")), [this] { run(moxops::pripraviParametre); });
}

void TScreens::btAHCPripravaClick()
{
    zOnemogocenim(control<QPushButton>(QStringLiteral("btAHCPriprava")), [this] { run(moxops::pripraviAnalizeHC); });
}

void TScreens::btPripraviGrupeClick() { run(moxops::pripraviGrupe); }
void TScreens::btPripraviPaleteClick() { run(moxops::pripraviPalete); }
void TScreens::btPripraviGrupe023Click() { run(moxops::pripraviGrupe023); }

void TScreens::btShraniGrupeClick()
{
    shraniBesedilo(control<QPlainTextEdit>(QStringLiteral("meGrupInit")), datotekaGrup(m_ctx));
}

void TScreens::btShraniPaleteClick()
{
    shraniBesedilo(control<QPlainTextEdit>(QStringLiteral("mePalInit")), datotekaPalet(m_ctx));
}

void TScreens::btShraniGrupe023Click()
{
    shraniBesedilo(control<QPlainTextEdit>(QStringLiteral("meGrupInit023")), datotekaGrup023(m_ctx));
}

void TScreens::btDBFPregledClick()
{
    TApolloDataSet &t = m_ctx.taDBF;
    try {
        zapri(t);
        t.Open();
    } catch (const EMoxError &e) {
        message(e.message()); // no viewer without the table
        return;
    }
    TNaKoncu zapriTabelo([&t] { zapri(t); });
    TfmDBF viewer(m_window);
    viewer.povezi(&t);
    viewer.pokaziModalno();
}

void TScreens::spGetStrClick()
{
    const bool detail = control<QCheckBox>(QStringLiteral("cbDetail"))->isChecked();
    m_zadnjiFilter = detail ? QStringLiteral("Strukture (*.mst)") : QStringLiteral("Strukture (*.str)");
    m_izbranaStruktura = izberiDatoteko(m_zadnjiFilter, detail ? QStringLiteral("mst") : QStringLiteral("str"));
    TNaKoncu pocisti([this] {
        control<QLineEdit>(QStringLiteral("edSplosnoFilter"))->clear();
        control<QLineEdit>(QStringLiteral("edPrStevec"))->clear();
    });
    run(moxops::spGetStr);
}

void TScreens::sbOsvGetStrClick()
{
    // The same dialog as the preparation screen's: it keeps the filter last set.
    const QString filter = m_zadnjiFilter.isEmpty() ? QStringLiteral("Strukture (*.str)") : m_zadnjiFilter;
    const QString file = izberiDatoteko(filter, QString());
    if (file.isEmpty())
        return;
    m_ctx.currSaveDir = moxpath::folderOf(file);
    control<QLineEdit>(QStringLiteral("edOsvFile"))->setText(file);
    for (const char *ime : {"edOsvKljuc", "edOsvAuto", "edOsSplStevec", "edOsSplNovih", "edOsSplInsert",
                            "edOsSplPopr", "edOsSplUpdate", "edOsSplError"})
        control<QLineEdit>(QLatin1String(ime))->clear();
    run(moxops::preberiStrukturo);
}

void TScreens::prekiniClick() { m_ctx.pKonec = true; }
