// The menu and the screens of the main window: every screen reachable
// through the menu with its controls, menus enabled only while connected,
// "Prekini", the button actions handed to the main window, the settings
// texts of the group and pallet screens, and the settings screen.
#include "run/context.h"
#include "window/screens.h"
#include "base/text.h"
#include "support/testenv.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>

namespace {

class FakeInteraction : public TInteraction {
public:
    int pokaziSporocilo(const QString &text, TMsgDlgType, TMsgDlgButtons, int) override
    {
        messages << text;
        return mrYes;
    }
    void showMessage(const QString &text) override { messages << text; }
    void processEvents() override {}
    QStringList messages;
};

// Records what the screens ask of the main window.
class FakeActions : public TScreenActions {
public:
    explicit FakeActions(TMoxContext &ctx) : m_ctx(ctx) {}
    void prijaviSe() override { calls << QStringLiteral("prijaviSe"); }
    void btNShraniClick() override { calls << QStringLiteral("btNShraniClick"); }
    void mmActivateLargeRBClick() override { calls << QStringLiteral("mmActivateLargeRBClick"); }
    void pripraviSejoAction() override { calls << QStringLiteral("pripraviSejo"); }
    bool runOperation(const QString &name) override
    {
        calls << name;
        if (onRun)
            onRun(name);
        return !failing.contains(name); // a failure the dispatcher has reported
    }
    void openStructureEditor(bool masterDetail) override
    {
        calls << (masterDetail ? QStringLiteral("editor:md") : QStringLiteral("editor:splosni"));
    }
    void mmKonecClick() override { calls << QStringLiteral("mmKonecClick"); }
    TMoxContext &context() override { return m_ctx; }

    QStringList calls;
    QStringList failing;
    std::function<void(const QString &)> onRun;

private:
    TMoxContext &m_ctx;
};

struct Fixture {
    Fixture()
    {
        ctx.ui = &ui;
        screens = std::make_unique<TScreens>(&window, actions, ctx);
    }
    QAction *action(const char *name) const { return window.findChild<QAction *>(QLatin1String(name)); }
    template <class T> T *c(const char *name) const { return screens->control<T>(QLatin1String(name)); }

    TestEnv env;
    TMoxContext ctx;
    FakeInteraction ui;
    FakeActions actions{ctx};
    QMainWindow window;
    std::unique_ptr<TScreens> screens;
};

} // namespace

TEST(ScreensMenu, EveryScreenIsReachedThroughTheMenuAndCarriesItsControls)
{
    Fixture f;
    f.screens->omogociMenije(true);
    struct Case {
        const char *menuItem;
        const char *page;
        QStringList controls;
    } cases[] = {
        {"mmNastavitev", "tabNastavitev",
         {"edNastPotDat", "edNastPotLog", "cbNastSamoPreverjanje", "edNastReplPotDat", "edNastReplPotLog",
          "cbNastReplikacija", "edNastLastnik", "btNShrani"}},
        {"mmPomoc", "tabPomoc", {"pcPomoc", "meKlicniParametri", "mePripravaPodatkov", "meOsvezevanje"}},
        {"mmOsvSplosne", "tabOsvSplosno",
         {"edOsvFile", "sbOsvGetStr", "cbSamoPregled", "gbOsvTabela", "edOsvKljuc", "edOsvAuto", "edOsSplStevec",
          "edOsSplNovih", "edOsSplInsert", "edOsSplPopr", "edOsSplUpdate", "edOsSplError", "btOsSplosno",
          "btOsvPrekini"}},
        {"mmOsvSKS", "tabOsvSKS",
         {"edPotSKS", "cbSKSsamoPreverjanje", "cbBrez", "edStGlSKS", "edInsGlSKS", "edUpdGlSKS", "edErrGlSKS",
          "edStVrSKS", "edInsVrSKS", "edUpdVrSKS", "edErrVrSKS", "btOsveziSKS", "btSKSPrekini"}},
        {"mmOsvObrazci", "tabOsvObrazci",
         {"edPotOBR", "cbOBRsamoPreverjanje", "edSt900", "edIns900", "edUp900", "edErr900", "edSt901", "edIns901",
          "edUp901", "edErr901", "edSt902", "edIns902", "edUp902", "edErr902", "btOsveziOBR", "btPrekiniObr"}},
        {"mmOsvParametri", "tabOsvParametri",
         {"cbOsveziParametri", "edSt007", "edIns007", "edErr007", "edSt107", "edIns107", "edErr107", "edSt207",
          "edIns207", "edErr207", "btOsveziParam", "btParPrekini"}},
        {"mmOsvGrupe", "tabOsvGrupe",
         {"edGrupeVseh", "edGrupeNovih", "edGrupePopr", "edGrupeNap", "edAktVseh", "edAktNovih", "edAktPopr",
          "edAktNap", "ed061Vseh", "ed061Novih", "ed061Popr", "ed061Nap", "ed055KVseh", "ed055KNovih",
          "ed055KPopr", "ed055KNap", "ed061SVseh", "ed061SNovih", "ed061SPopr", "ed061SNap", "ed065Vseh",
          "ed065Novih", "ed065Popr", "ed065Nap", "ed055SVseh", "ed055SNovih", "ed055SPopr", "ed055SNap",
          "ed062Vseh", "ed062Novih", "ed062Popr", "ed062Nap", "edLabVseh", "edLabNovih", "edLabPopr", "edLabNap",
          "edNhhVseh", "edNhhNovih", "edNhhPopr", "edNhhNap", "btOsveziGrupe"}},
        {"mmOsvPalete", "tabOsvPalete",
         {"edPalVseh", "edPalN", "edPalPopr", "edPalNap", "ed116Vseh", "ed116N", "ed116Popr", "ed116Nap",
          "ed011Vseh", "ed011N", "ed011Popr", "ed011Nap", "btOsveziPalete"}},
        {"mmOsvAnalize", "tabOsvAnalize",
         {"cbAHCTest", "ed908Vseh", "ed908Novih", "ed908Popr", "ed908Nap", "edXMLVseh", "edXMLNovih", "edXMLPopr",
          "edXMLNap", "btAHCOsvezi", "btAHCPrekini"}},
        {"mmOsvGrupe023", "tabOsvGrupe023",
         {"ed023Vseh", "ed023Novih", "ed023Popr", "ed023Nap", "edPo023Vseh", "edPo023Novih", "edPo023Popr",
          "edPo023Nap", "edPo011Vseh", "edPo011Novih", "edPo011Popr", "edPo011Nap", "btOsveziGrupe023"}},
        {"mmPrSplosne", "tabPrSplosno",
         {"edSplFile", "spGetStr", "edSplosnoFilter", "cbDetail", "gbPrTabela", "edKljuc", "edAutoPolje",
          "edPrStevec", "btPrSplosno", "btPrPrekini", "btDBFPregled"}},
        {"mmPrSKS", "tabPrSKS", {"edFilterSKS", "edGlav", "edVred", "btPripravaSKS"}},
        {"mmPrObrazci", "tabPrObrazci", {"edFilterObr", "cbUpdate", "ed900PrObr", "ed901PrObr", "ed902PrObr",
                                         "btPripraviObr"}},
        {"mmPrParametri", "tabPrParametri",
         {"edFilterPar", "edFIlter107", "cbSamoDef", "ed007PrPar", "ed107PrPar", "ed207PrPar", "btPripravaPar"}},
        {"mmPrGrupe", "tabPrGrupe", {"meGrupInit", "btPripraviGrupe", "btShraniGrupe"}},
        {"mmPrPalete", "tabPrPalete", {"mePalInit", "btPripraviPalete", "btShraniPalete"}},
        {"mmPrAnalize", "tabPrAnalize", {"edAHCFilter", "cbAHCUpdate", "edAHC908", "edAHCXML", "btAHCPriprava"}},
        {"mmPrGrupe023", "tabPrGrupe023", {"meGrupInit023", "btPripraviGrupe023", "btShraniGrupe023"}},
    };
    for (const Case &c : cases) {
        f.screens->showStart();
        QAction *a = f.action(c.menuItem);
        ASSERT_NE(a, nullptr) << c.menuItem;
        a->trigger();
        EXPECT_EQ(f.screens->currentPage(), QLatin1String(c.page)) << c.menuItem;
        QWidget *page = f.screens->pageArea()->currentWidget();
        for (const QString &name : c.controls)
            EXPECT_NE(page->findChild<QWidget *>(name), nullptr) << c.page << ": " << name.toStdString();
    }
    // Each screen once, plus the start screen.
    EXPECT_EQ(f.screens->pageArea()->count(), int(std::size(cases)) + 1);
}

TEST(ScreensMenu, MenuCaptionsCountersAndDefaults)
{
    Fixture f;
    QStringList top;
    for (QAction *a : f.window.menuBar()->actions())
        top << a->text();
    EXPECT_EQ(top, (QStringList{"Prijava/Nastavitev", "Osveževanje", "Priprava", "Pomoč", "Konec"}));
    EXPECT_EQ(f.action("mmOsvGrupe")->text(), QStringLiteral("Grupe,Aktivnosti"));
    EXPECT_EQ(f.action("mmPrGrupe")->text(), QStringLiteral("Grupe,aktivnosti"));
    EXPECT_EQ(f.action("mmPrMasterDetail")->text(), QStringLiteral("Kreiranje Master/Detail strukture"));
    EXPECT_TRUE(f.screens->mmActivateLargeRB()->isCheckable());
    EXPECT_FALSE(f.screens->mmActivateLargeRB()->isChecked());

    // Filters start as "%", "tudi update" of the analyses is ticked.
    for (const char *e : {"edFilterSKS", "edFilterObr", "edFilterPar", "edFIlter107", "edAHCFilter"})
        EXPECT_EQ(f.c<QLineEdit>(e)->text(), QStringLiteral("%")) << e;
    EXPECT_TRUE(f.c<QCheckBox>("cbAHCUpdate")->isChecked());
    EXPECT_FALSE(f.c<QCheckBox>("cbUpdate")->isChecked());
    // Counters and file fields are read-only; "Pregled DBF" waits for a preparation.
    for (const char *e : {"edOsSplStevec", "edStGlSKS", "edSt900", "edSt007", "edGrupeVseh", "edPalN", "ed908Nap",
                          "edPo011Nap", "edPrStevec", "edGlav", "ed900PrObr", "edAHCXML", "edOsvFile", "edSplFile"})
        EXPECT_TRUE(f.c<QLineEdit>(e)->isReadOnly()) << e;
    EXPECT_TRUE(f.c<QPushButton>("btDBFPregled")->isHidden());
    EXPECT_EQ(f.c<QCheckBox>("cbSKSsamoPreverjanje")->text(), QStringLiteral("samo pregled"));
    EXPECT_EQ(f.c<QCheckBox>("cbBrez")->text(), QStringLiteral("brez sporočil"));
    EXPECT_EQ(f.c<QPushButton>("btPripravaSKS")->text(), QStringLiteral("PripravaSKS"));
    EXPECT_EQ(f.c<QPushButton>("btShraniPalete")->text(), QStringLiteral("Shrani inicializacijo"));

    auto *help = f.c<QTabWidget>("pcPomoc");
    ASSERT_EQ(help->count(), 3);
    EXPECT_EQ(help->tabText(0), QStringLiteral("Klicni parametri"));
    EXPECT_EQ(help->tabText(1), QStringLiteral("Priprava podatkov"));
    EXPECT_EQ(help->tabText(2), QStringLiteral("Osveževanje"));
    for (const char *m : {"meKlicniParametri", "mePripravaPodatkov", "meOsvezevanje"}) {
        EXPECT_TRUE(f.c<QPlainTextEdit>(m)->isReadOnly()) << m;
        EXPECT_GT(f.c<QPlainTextEdit>(m)->toPlainText().size(), 200) << m;
    }
}

TEST(ScreensMenu, TransferMenusOnlyWhileConnected)
{
    Fixture f;
    EXPECT_EQ(f.screens->currentPage(), QStringLiteral("tabStart"));
    EXPECT_FALSE(f.screens->menuOsvezevanje()->menuAction()->isEnabled());
    EXPECT_FALSE(f.screens->menuPriprava()->menuAction()->isEnabled());
    EXPECT_TRUE(f.action("mmPrijavaNastavitev")->isEnabled());
    f.screens->omogociMenije(true);
    EXPECT_TRUE(f.screens->menuOsvezevanje()->menuAction()->isEnabled());
    EXPECT_TRUE(f.screens->menuPriprava()->menuAction()->isEnabled());
    f.screens->omogociMenije(false);
    EXPECT_FALSE(f.screens->menuOsvezevanje()->menuAction()->isEnabled());
    EXPECT_FALSE(f.screens->menuPriprava()->menuAction()->isEnabled());
}

TEST(ScreensMenu, OpeningAMenuShowsTheStartScreen)
{
    Fixture f;
    f.screens->showSettings();
    for (QMenu *m : {f.window.findChild<QMenu *>("mmPrijavaNastavitev"), f.screens->menuOsvezevanje(),
                     f.screens->menuPriprava()}) {
        ASSERT_NE(m, nullptr);
        f.screens->showPage(QStringLiteral("tabPomoc"));
        emit m->aboutToShow();
        EXPECT_EQ(f.screens->currentPage(), QStringLiteral("tabStart")) << m->objectName().toStdString();
    }
}

TEST(ScreensMenu, CommandsHandedToTheMainWindow)
{
    Fixture f;
    f.screens->omogociMenije(true);
    struct Case {
        const char *item;
        QStringList calls;
    } cases[] = {
        {"mmPrijava", {"prijaviSe"}},
        {"mmPrStruktura", {"editor:splosni"}},
        {"mmPrMasterDetail", {"editor:md"}},
        {"mmKonec", {"mmKonecClick"}},
        {"mmOsvSplosne", {"pripraviSejo"}},
        {"mmOsvSKS", {"pripraviSejo"}},
        {"mmOsvObrazci", {"pripraviSejo"}},
        {"mmOsvParametri", {}},
        {"mmPrSKS", {}},
    };
    for (const Case &c : cases) {
        f.actions.calls.clear();
        f.action(c.item)->trigger();
        EXPECT_EQ(f.actions.calls, c.calls) << c.item;
    }
    // "LargeRB ON" leaves the mark to the switch, which sets it on success.
    f.actions.calls.clear();
    f.screens->mmActivateLargeRB()->trigger();
    EXPECT_EQ(f.actions.calls, QStringList{"mmActivateLargeRBClick"});
    EXPECT_FALSE(f.screens->mmActivateLargeRB()->isChecked());
    f.screens->mmActivateLargeRB()->setChecked(true);
    f.screens->mmActivateLargeRB()->trigger();
    EXPECT_TRUE(f.screens->mmActivateLargeRB()->isChecked());

    f.actions.calls.clear();
    f.c<QPushButton>("btNShrani")->click();
    EXPECT_EQ(f.actions.calls, QStringList{"btNShraniClick"});
}

TEST(ScreensButtons, PrekiniSetsTheAbortFlag)
{
    Fixture f;
    for (const char *b : {"btOsvPrekini", "btSKSPrekini", "btPrekiniObr", "btParPrekini", "btAHCPrekini",
                          "btPrPrekini"}) {
        f.ctx.pKonec = false;
        auto *button = f.c<QPushButton>(b);
        ASSERT_NE(button, nullptr) << b;
        EXPECT_EQ(button->text(), QStringLiteral("Prekini"));
        button->setEnabled(true);
        button->click();
        EXPECT_TRUE(f.ctx.pKonec) << b;
    }
    EXPECT_TRUE(f.actions.calls.isEmpty());
}

TEST(ScreensButtons, RefreshAndPreparationButtonsRunTheirOperations)
{
    Fixture f;
    f.c<QLineEdit>("edOsvFile")->setText(f.env.path("KA060AK0.str"));
    f.c<QLineEdit>("edSplFile")->setText(f.env.path("KA060AK0.str"));
    struct Case {
        const char *button;
        QStringList calls;
    } cases[] = {
        {"btOsSplosno", {"osveziSplosno"}},
        {"btOsveziSKS", {"osveziSKS"}},
        {"btOsveziOBR", {"pripraviSejo", "osveziObrazce"}},
        // The parameter refresh switches its tables' triggers itself.
        {"btOsveziParam", {"pripraviSejo", "osveziParametre"}},
        {"btOsveziGrupe", {"pripraviSejo", "osveziGrupe"}},
        {"btOsveziPalete", {"pripraviSejo", "osveziPalete"}},
        {"btAHCOsvezi", {"pripraviSejo", "osveziAnalizeHC"}},
        {"btOsveziGrupe023", {"pripraviSejo", "osveziGrupe023"}},
        {"btPrSplosno", {"pripraviSplosno"}},
        {"btPripravaSKS", {"pripraviSKS"}},
        {"btPripraviObr", {"pripraviObrazce"}},
        {"btPripravaPar", {"pripraviParametre"}},
        {"btAHCPriprava", {"pripraviAnalizeHC"}},
        {"btPripraviGrupe", {"pripraviGrupe"}},
        {"btPripraviPalete", {"pripraviPalete"}},
        {"btPripraviGrupe023", {"pripraviGrupe023"}},
    };
    for (const Case &c : cases) {
        f.actions.calls.clear();
        f.ctx.pKonec = true;
        auto *b = f.c<QPushButton>(c.button);
        ASSERT_NE(b, nullptr) << c.button;
        b->click();
        EXPECT_EQ(f.actions.calls, c.calls) << c.button;
        EXPECT_TRUE(b->isEnabled()) << c.button << " stays enabled after the run";
    }
    EXPECT_TRUE(f.ui.messages.isEmpty()) << f.ui.messages.join('|').toStdString();
}

TEST(ScreensButtons, GeneralRefreshNeedsAStructureFileAndClearsTheAbortFlag)
{
    Fixture f;
    f.ctx.pKonec = true;
    f.c<QPushButton>("btOsSplosno")->click();
    EXPECT_EQ(f.ui.messages, QStringList{"Izberi strukturno datoteko"});
    EXPECT_TRUE(f.actions.calls.isEmpty());
    EXPECT_TRUE(f.ctx.pKonec);

    f.c<QLineEdit>("edOsvFile")->setText(f.env.path("KA060AK0.str"));
    bool flagAtRefresh = true;
    f.actions.onRun = [&](const QString &op) {
        if (op == QLatin1String(moxops::osveziSplosno))
            flagAtRefresh = f.ctx.pKonec;
    };
    f.c<QPushButton>("btOsSplosno")->click();
    EXPECT_FALSE(flagAtRefresh);
}

TEST(ScreensButtons, ParameterRefreshButtonComesBackWhenTheRefreshFails)
{
    Fixture f;
    f.c<QLineEdit>("edOsvFile")->setText(f.env.path("KA060AK0.str"));
    f.actions.onRun = [](const QString &op) {
        if (op == QLatin1String(moxops::osveziSplosno) || op == QLatin1String(moxops::osveziParametre))
            throw EMoxError(QStringLiteral("ORA-00942: table or view does not exist"));
    };
    // Clicked, the error is shown and the window goes on.
    f.c<QPushButton>("btOsveziParam")->click();
    EXPECT_EQ(f.actions.calls, (QStringList{"pripraviSejo", "osveziParametre"}));
    EXPECT_EQ(f.ui.messages, QStringList{"ORA-00942: table or view does not exist"});
    EXPECT_TRUE(f.c<QPushButton>("btOsveziParam")->isEnabled());
}

TEST(ScreensButtons, GeneralPreparationShowsPregledDbfAfterwards)
{
    Fixture f;
    f.ctx.pKonec = true;
    f.c<QLineEdit>("edPrStevec")->setText("17");
    // Without a structure file nothing runs, but the abort flag is cleared.
    f.c<QPushButton>("btPrSplosno")->click();
    EXPECT_FALSE(f.ctx.pKonec);
    EXPECT_TRUE(f.actions.calls.isEmpty());
    EXPECT_TRUE(f.c<QPushButton>("btDBFPregled")->isHidden());

    f.c<QLineEdit>("edSplFile")->setText(f.env.path("KA060AK0.str"));
    // A failed preparation offers no review.
    f.actions.failing = QStringList{"pripraviSplosno"};
    f.c<QPushButton>("btPrSplosno")->click();
    EXPECT_TRUE(f.c<QPushButton>("btDBFPregled")->isHidden());
    f.actions.failing.clear();

    QString counterAtRun = "?";
    f.actions.onRun = [&](const QString &) { counterAtRun = f.c<QLineEdit>("edPrStevec")->text(); };
    f.c<QPushButton>("btPrSplosno")->click();
    EXPECT_EQ(counterAtRun, QString());
    EXPECT_FALSE(f.c<QPushButton>("btDBFPregled")->isHidden());
}

TEST(ScreensButtons, PregledDbfReportsAMissingTableAndShowsNoViewer)
{
    Fixture f;
    f.ctx.taDBF.TableName = f.env.path("NIMA");
    f.c<QPushButton>("btDBFPregled")->click();
    ASSERT_EQ(f.ui.messages.size(), 1);
    EXPECT_TRUE(f.ui.messages[0].contains("NIMA")) << f.ui.messages[0].toStdString();
    EXPECT_FALSE(f.ctx.taDBF.Active());

    // An existing table is opened for the viewer and closed again after it.
    TApolloDataSet t;
    ASSERT_TRUE(t.CreateNew(f.env.path("KA060AK0"), 2, 1));
    t.CreateField("POPRAVI", "C", 1, 0);
    ASSERT_TRUE(t.CreateExec());
    f.ui.messages.clear();
    f.ctx.taDBF.TableName = f.env.path("KA060AK0");
    f.c<QPushButton>("btDBFPregled")->click();
    EXPECT_TRUE(f.ui.messages.isEmpty()) << f.ui.messages.join('|').toStdString();
    EXPECT_FALSE(f.ctx.taDBF.Active());
}

TEST(ScreensSettingsTexts, PalletScreenEmptiesWithoutFileGroupScreenKeepsItsText)
{
    Fixture f;
    f.screens->omogociMenije(true);
    f.ctx.currSaveDir = f.env.dir() + "/";
    auto *grupe = f.c<QPlainTextEdit>("meGrupInit");
    auto *palete = f.c<QPlainTextEdit>("mePalInit");
    grupe->setPlainText("###\nK12 STORITVE");
    palete->setPlainText("###\nP1");

    f.action("mmPrGrupe")->trigger();
    EXPECT_EQ(f.screens->currentPage(), QStringLiteral("tabPrGrupe"));
    EXPECT_EQ(grupe->toPlainText(), QStringLiteral("###\nK12 STORITVE"));
    f.action("mmPrPalete")->trigger();
    EXPECT_EQ(f.screens->currentPage(), QStringLiteral("tabPrPalete"));
    EXPECT_EQ(palete->toPlainText(), QString());

    // With the files present both screens load them (Windows-1250 text).
    moxtext::writeTextLines(f.env.path("xg_grupe.str"), {"###", "Č01 STORITVE", "A100", "POLJA"});
    moxtext::writeTextLines(f.env.path("xp_palet.str"), {"###", "PŽ1"});
    f.action("mmPrGrupe")->trigger();
    EXPECT_EQ(grupe->toPlainText(), QStringLiteral("###\nČ01 STORITVE\nA100\nPOLJA"));
    f.action("mmPrPalete")->trigger();
    EXPECT_EQ(palete->toPlainText(), QStringLiteral("###\nPŽ1"));
}

TEST(ScreensSettingsTexts, ShraniInicializacijoWritesWindows1250WithCrLf)
{
    Fixture f;
    f.ctx.currSaveDir = f.env.dir() + "/";
    struct Case {
        const char *memo;
        const char *button;
        const char *file;
    } cases[] = {
        {"meGrupInit", "btShraniGrupe", "xg_grupe.str"},
        {"mePalInit", "btShraniPalete", "xp_palet.str"},
        {"meGrupInit023", "btShraniGrupe023", "xg_023.str"},
    };
    for (const Case &c : cases) {
        f.c<QPlainTextEdit>(c.memo)->setPlainText(QStringLiteral("###\nŠ12 STORITVE\nčž"));
        f.c<QPushButton>(c.button)->click();
        QFile file(f.env.path(c.file));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << c.file;
        EXPECT_EQ(file.readAll(), QByteArray("###\r\n\x8a" "12 STORITVE\r\n\xe8\x9e\r\n")) << c.file;
    }
    // A line break at the end of the text adds no empty line; an empty text is an empty file.
    f.c<QPlainTextEdit>("mePalInit")->setPlainText("###\nP1\n");
    f.c<QPushButton>("btShraniPalete")->click();
    EXPECT_EQ(moxtext::readTextLines(f.env.path("xp_palet.str")), (QStringList{"###", "P1"}));
    f.c<QPlainTextEdit>("mePalInit")->clear();
    f.c<QPushButton>("btShraniPalete")->click();
    EXPECT_EQ(QFileInfo(f.env.path("xp_palet.str")).size(), 0);

    // The groups-023 list does not touch the group settings file.
    f.c<QPlainTextEdit>("meGrupInit")->setPlainText("G");
    f.c<QPlainTextEdit>("meGrupInit023")->setPlainText("X23");
    f.c<QPushButton>("btShraniGrupe023")->click();
    EXPECT_EQ(moxtext::readTextLines(f.env.path("xg_grupe.str")), (QStringList{"###", "Š12 STORITVE", "čž"}));

    // A save directory that does not exist: the error is shown, nothing else happens.
    f.ui.messages.clear();
    f.ctx.currSaveDir = f.env.path("ni/tega/");
    f.c<QPushButton>("btShraniPalete")->click();
    ASSERT_EQ(f.ui.messages.size(), 1);
    EXPECT_TRUE(f.ui.messages[0].contains("xp_palet.str")) << f.ui.messages[0].toStdString();
}

TEST(ScreensSettingsTexts, Groups023ListIsOfferedOnlyWhileEmpty)
{
    Fixture f;
    f.ctx.currSaveDir = f.env.dir() + "/";
    moxtext::writeTextLines(f.env.path("xg_023.str"), {"G1", "G2"});
    auto *memo = f.c<QPlainTextEdit>("meGrupInit023");
    f.screens->mmPrGrupe023Click();
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("G1\nG2"));
    memo->setPlainText("G9");
    f.screens->mmPrGrupe023Click();
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("G9"));
}

TEST(ScreensSettings, RunStateToScreensAndBack)
{
    Fixture f;
    TRunState rs;
    rs.currSaveDir = "/data/mox/";
    rs.currDirLog = "/data/log/";
    rs.currReplSaveDir = "/data/repl/";
    rs.currReplDirLog = "/data/repl/log/";
    rs.currOwner = "TAVO";
    rs.currSamoPreverjanje = true;
    rs.currReplikacija = true;

    f.screens->naloziNaZaslone(rs);
    for (const char *e : {"edPotSKS", "edPotOBR", "edNastPotDat"})
        EXPECT_EQ(f.c<QLineEdit>(e)->text(), QStringLiteral("/data/mox/")) << e;
    for (const char *cb : {"cbSamoPregled", "cbNastSamoPreverjanje", "cbSKSsamoPreverjanje", "cbOBRsamoPreverjanje",
                           "cbNastReplikacija"})
        EXPECT_TRUE(f.c<QCheckBox>(cb)->isChecked()) << cb;
    // The other check-only boxes are not settings.
    EXPECT_FALSE(f.c<QCheckBox>("cbOsveziParametri")->isChecked());
    EXPECT_FALSE(f.c<QCheckBox>("cbAHCTest")->isChecked());

    f.screens->kopirajDirektorijeVNastavitve(rs);
    EXPECT_EQ(f.screens->edNastPotDat()->text(), QStringLiteral("/data/mox/"));
    EXPECT_EQ(f.screens->edNastPotLog()->text(), QStringLiteral("/data/log/"));
    EXPECT_EQ(f.c<QLineEdit>("edNastReplPotDat")->text(), QStringLiteral("/data/repl/"));
    EXPECT_EQ(f.c<QLineEdit>("edNastReplPotLog")->text(), QStringLiteral("/data/repl/log/"));
    EXPECT_EQ(f.c<QLineEdit>("edNastLastnik")->text(), QStringLiteral("TAVO"));

    TRunState back;
    f.screens->preberiNastavitve(back);
    EXPECT_EQ(back.currSaveDir, rs.currSaveDir);
    EXPECT_EQ(back.currDirLog, rs.currDirLog);
    EXPECT_EQ(back.currReplSaveDir, rs.currReplSaveDir);
    EXPECT_EQ(back.currReplDirLog, rs.currReplDirLog);
    EXPECT_EQ(back.currOwner, rs.currOwner);
    EXPECT_TRUE(back.currSamoPreverjanje);
    EXPECT_TRUE(back.currReplikacija);

    // Typed directories get their trailing separator; boxes cleared read as off.
    f.screens->edNastPotDat()->setText("/data/novo");
    f.screens->edNastPotLog()->setText("\\data\\log2\\");
    f.c<QCheckBox>("cbNastSamoPreverjanje")->setChecked(false);
    f.c<QCheckBox>("cbNastReplikacija")->setChecked(false);
    f.screens->preberiNastavitve(back);
    EXPECT_EQ(back.currSaveDir, QStringLiteral("/data/novo/"));
    EXPECT_EQ(back.currDirLog, QStringLiteral("/data/log2/"));
    EXPECT_FALSE(back.currSamoPreverjanje);
    EXPECT_FALSE(back.currReplikacija);
}
