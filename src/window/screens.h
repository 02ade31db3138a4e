#pragma once
// The menu bar and the screens of the main window. One page area (a stacked
// widget) shows exactly one screen at a time; screens are chosen only through
// the menu. The buttons of the transfer screens hand their work to the main
// window through TScreenActions::runOperation with the operation names below;
// the transfer code finds the screen's fields by their object names.
//
// Object names (the menu, the screens, and the controls whose names the
// transfer code does not fix itself):
//   menu         mmPrijavaNastavitev (mmPrijava, mmNastavitev, mmActivateLargeRB),
//                mmOsvezevanje (mmOsvSplosne, mmOsvSKS, mmOsvObrazci, mmOsvParametri,
//                mmOsvGrupe, mmOsvPalete, mmOsvAnalize, mmOsvGrupe023),
//                mmPriprava (mmPrSplosne, mmPrStruktura, mmPrMasterDetail, mmPrSKS,
//                mmPrObrazci, mmPrParametri, mmPrGrupe, mmPrPalete, mmPrAnalize,
//                mmPrGrupe023), mmPomoc, mmKonec
//   page area    pcZasloni
//   screens      tabStart (lbSlika), tabNastavitev, tabPomoc,
//                tabOsvSplosno, tabOsvSKS, tabOsvObrazci, tabOsvParametri,
//                tabOsvGrupe, tabOsvPalete, tabOsvAnalize, tabOsvGrupe023,
//                tabPrSplosno, tabPrSKS, tabPrObrazci, tabPrParametri,
//                tabPrGrupe, tabPrPalete, tabPrAnalize, tabPrGrupe023
//   general      refresh: sbOsvGetStr (file button), gbOsvTabela (group titled
//                with the table); preparation: spGetStr (file button),
//                gbPrTabela, btPrPrekini ("Prekini")
//   groups       btOsveziGrupe, btPripraviGrupe, btShraniGrupe
//   pallets      btOsveziPalete, btPripraviPalete, btShraniPalete
//   groups 023   btOsveziGrupe023, btPripraviGrupe023, btShraniGrupe023
//   settings     edNastPotDat, edNastPotLog, cbNastSamoPreverjanje,
//                edNastReplPotDat, edNastReplPotLog, cbNastReplikacija,
//                edNastLastnik, btNShrani
//   help         pcPomoc with the pages meKlicniParametri, mePripravaPodatkov,
//                meOsvezevanje
#include "base/moxerror.h"
#include "run/context.h"
#include "run/runstate.h"

#include <QObject>
#include <QString>
#include <QWidget>

class QAction;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QMainWindow;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;

// Operation names handed to TScreenActions::runOperation. The owners of the
// operations register them under exactly these names.
namespace moxops {
// Refreshes
inline constexpr const char *osveziSplosno = "osveziSplosno";
inline constexpr const char *osveziSKS = "osveziSKS";
inline constexpr const char *osveziObrazce = "osveziObrazce";
inline constexpr const char *osveziParametre = "osveziParametre";
inline constexpr const char *osveziGrupe = "osveziGrupe";
inline constexpr const char *osveziPalete = "osveziPalete";
inline constexpr const char *osveziAnalizeHC = "osveziAnalizeHC";
inline constexpr const char *osveziGrupe023 = "osveziGrupe023";
// Preparations
inline constexpr const char *pripraviSplosno = "pripraviSplosno";
inline constexpr const char *pripraviSKS = "pripraviSKS";
inline constexpr const char *pripraviObrazce = "pripraviObrazce";
inline constexpr const char *pripraviParametre = "pripraviParametre";
inline constexpr const char *pripraviAnalizeHC = "pripraviAnalizeHC";
inline constexpr const char *pripraviGrupe = "pripraviGrupe";
inline constexpr const char *pripraviPalete = "pripraviPalete";
inline constexpr const char *pripraviGrupe023 = "pripraviGrupe023";
// Trigger switches of the general table's refresh, on the connected user
// (currUser) and currTabela. (The parameter refresh switches its tables'
// triggers itself.)
inline constexpr const char *triggerjiSplosnoIzklop = "preklopiTriggerje:DISABLE";
inline constexpr const char *triggerjiSplosnoVklop = "preklopiTriggerje:ENABLE";
// Structure files of the general screens.
// spGetStr: the preparation screen's file button. TScreens has already shown
// the open dialog; izbranaStruktura() holds the chosen file (empty when the
// dialog was cancelled). The operation clears the key and column entries and,
// for a chosen file, loads and parses it and fills the preparation screen.
inline constexpr const char *spGetStr = "spGetStr";
// preberiStrukturo: loads the file named in edOsvFile and prepares the
// refresh screen (also used by the command script).
inline constexpr const char *preberiStrukturo = "preberiStrukturo";
} // namespace moxops

// What the screens ask of the main window. Implemented by TfmMOX.
class TScreenActions {
public:
    virtual ~TScreenActions() = default;
    virtual void prijaviSe() = 0;
    virtual void btNShraniClick() = 0;
    virtual void mmActivateLargeRBClick() = 0;
    virtual void pripraviSejoAction() = 0;           // pripraviSejo on the main window's session
    // Runs the operation registered under name. True when it ran and returned
    // normally; false when no operation has that name or it failed (the
    // failure is reported by the operation or by the dispatcher). The screens
    // also cope with an error raised through it.
    virtual bool runOperation(const QString &name) = 0;
    virtual void openStructureEditor(bool masterDetail) = 0;
    virtual void mmKonecClick() = 0;
    virtual TMoxContext &context() = 0;               // src/shell/context.h
};

class TScreens : public QObject {
    Q_OBJECT
public:
    // Builds the menu bar and the page area (the window's central widget) and
    // shows the start screen.
    TScreens(QMainWindow *window, TScreenActions &actions, TMoxContext &ctx);
    ~TScreens() override;

    void showStart();
    void showSettings();
    // Shows the screen with that object name (tab…); unknown names change nothing.
    void showPage(const QString &objectName);
    // Object name of the screen shown now.
    QString currentPage() const;

    // Enables the menus "Osveževanje" and "Priprava" together.
    void omogociMenije(bool on);
    // The save directory into the directory fields of the common-code-list,
    // print-form and settings screens; the check-only boxes of the general
    // refresh, settings, common-code-list and print-form screens; the
    // replication box of the settings screen.
    void naloziNaZaslone(const TRunState &rs);
    // Directories and owner into the settings screen's fields.
    void kopirajDirektorijeVNastavitve(const TRunState &rs);
    // The settings screen's values into the run state (directories get their
    // trailing separator).
    void preberiNastavitve(TRunState &rs);

    QLineEdit *edNastPotDat() const;
    QLineEdit *edNastPotLog() const;
    // Checkable "LargeRB ON". A click does not flip the mark: the switch
    // (mmActivateLargeRBClick) reads it and sets it on success.
    QAction *mmActivateLargeRB() const;

    // Any control of the screens by object name (nullptr when missing).
    template <class T> T *control(const QString &objectName) const
    {
        return pageWidget()->template findChild<T *>(objectName);
    }
    // A control the operation cannot run without: a missing one raises
    // EMoxError ("Zaslon nima polja …").
    template <class T> T &polje(const QString &objectName) const
    {
        T *w = control<T>(objectName);
        if (!w)
            throw EMoxError(QStringLiteral("Zaslon nima polja ") + objectName);
        return *w;
    }
    QStackedWidget *pageArea() const;
    QWidget *pageWidget() const; // the page area as a plain widget
    QMenu *menuOsvezevanje() const;
    QMenu *menuPriprava() const;

    // The file chosen by the preparation screen's file button (see moxops::spGetStr).
    QString izbranaStruktura() const { return m_izbranaStruktura; }

    // Menu commands that open a screen (what the command script uses to
    // "show the screen"). The ones that prepare the session first do so here.
    void mmOsvSplosneClick();
    void mmOsvSKSClick();
    void mmOsvObrazciClick();
    void mmOsvParametriClick();
    void mmOsvGrupeClick();
    void mmOsvPaleteClick();
    void mmOsvAnalizeClick();
    void mmOsvGrupe023Click();
    void mmPrSplosneClick();
    void mmPrSKSClick();
    void mmPrObrazciClick();
    void mmPrParametriClick();
    void mmPrGrupeClick();       // loads xg_grupe.str first
    void mmPrPaleteClick();      // loads xp_palet.str first (or empties the text)
    void mmPrAnalizeClick();
    void mmPrGrupe023Click();    // loads xg_023.str when the text is empty

    // Button actions of the screens (also run by the command script).
    void btOsSplosnoClick();     // "Izberi strukturno datoteko", or osveziSplosno (which switches the triggers)
    void btOsveziSKSClick();
    void btOsveziOBRClick();
    void btOsveziParamClick();
    void btOsveziGrupeClick();
    void btOsveziPaleteClick();
    void btAHCOsveziClick();
    void btOsveziGrupe023Click();
    void btPrSplosnoClick();
    void btPripravaSKSClick();
    void btPripraviObrClick();
    void btPripravaParClick();
    void btAHCPripravaClick();
    void btPripraviGrupeClick();
    void btPripraviPaleteClick();
    void btPripraviGrupe023Click();
    void btShraniGrupeClick();   // meGrupInit → currSaveDir + xg_grupe.str
    void btShraniPaleteClick();  // mePalInit → currSaveDir + xp_palet.str
    void btShraniGrupe023Click(); // meGrupInit023 → currSaveDir + xg_023.str
    void btDBFPregledClick();    // DBF viewer over taDBF
    void spGetStrClick();
    void sbOsvGetStrClick();
    void prekiniClick();         // every "Prekini": pKonec := true

    // Settings text files in the save directory.
    static QString datotekaGrup(const TRunState &rs);     // xg_grupe.str
    static QString datotekaPalet(const TRunState &rs);    // xp_palet.str
    static QString datotekaGrup023(const TRunState &rs);  // xg_023.str

private:
    void buildMenu();
    void buildPages();
    void addPage(QWidget *page);
    bool run(const char *operation);
    void message(const QString &text);
    template <class F> void guarded(F &&f);
    void naloziBesedilo(QPlainTextEdit *memo, const QString &path, bool izprazniBrez);
    void shraniBesedilo(QPlainTextEdit *memo, const QString &path);
    QString izberiDatoteko(const QString &filter, const QString &defaultSuffix);

    QMainWindow *m_window;
    TScreenActions &m_actions;
    TMoxContext &m_ctx;
    QStackedWidget *m_stack = nullptr;
    QMenu *m_mnOsvezevanje = nullptr;
    QMenu *m_mnPriprava = nullptr;
    QAction *m_mmActivateLargeRB = nullptr;
    QString m_izbranaStruktura;
    QString m_zadnjiFilter; // the open dialog keeps the filter last set
};
