#pragma once
// What the two structure editors share: the owner and table combos filled
// from the data dictionary, the column grid whose row 0 holds the headers,
// the review page with the generated text, the field list of the DBF to
// create, and the file dialogs, which tests and headless runs replace.
#include "dbf/apollo.h"
#include "base/moxerror.h"
#include "run/slovar.h"

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QToolButton;
class QVBoxLayout;
class QWidget;
class TInteraction;
struct TMoxContext;
struct TTableDescription;
enum class TVrstaStrukture;

// What a file dialog of the editors asks for.
struct TDatotecnaIzbira {
    bool shrani = false;        // save dialog; otherwise an open dialog
    QString filter;             // "Description|*.ext"
    QString privzetaKoncnica;   // extension added to a name typed without one
    QString mapa;               // folder the dialog starts in
    QString predlog;            // proposed file name (save dialog)
};

// Shows a file dialog and returns the chosen path, or empty when cancelled.
using TIzberiDatoteko = std::function<QString(QWidget *parent, const TDatotecnaIzbira &izbira)>;

// The default file dialog. Without a screen (offscreen or minimal platform)
// nobody can choose: the dialog's purpose goes to stderr and the result is
// empty, as if cancelled.
QString izberiDatotekoZDialogom(QWidget *parent, const TDatotecnaIzbira &izbira);

// "Strukture|*.str" as a file-dialog filter: "Strukture (*.str)".
QString filterZaDialog(const QString &filter);

class TfmStrukturaBase : public QDialog {
    Q_OBJECT
public:
    // Column numbers of the grid shared by both editors.
    enum Stolpec { colPR = 0, colUPD = 1, colKolona = 2, colTip = 3, colDol = 4, colDec = 5 };

    ~TfmStrukturaBase() override;

    // How the save and open dialogs choose a file (a QFileDialog by default).
    TIzberiDatoteko izberiDatoteko;

    // Window state.
    QString trenUser;        // owner chosen
    QString trenTabeleUser;  // owner whose tables the table list holds
    // Field list of the DBF to create, and the index of its last used entry
    // (-1 while it is empty).
    QVector<tipDBFStruktura> prAStr;
    int prPoz = -1;

    // Controls (object names as given).
    QComboBox *cbUpor = nullptr;
    QComboBox *cbTabele = nullptr;
    QLineEdit *edStrFile = nullptr;
    QToolButton *spOpenFile = nullptr;
    QTableWidget *sgCol = nullptr;
    QPlainTextEdit *meStr = nullptr;
    QPushButton *btPripravi = nullptr;
    QPushButton *btShrani = nullptr;
    QPushButton *btIzhod = nullptr;
    QPushButton *btIzhod1 = nullptr;
    QTabWidget *pcStruktura = nullptr;
    QWidget *tsNastavitve = nullptr; // first page: owner, table, columns
    QWidget *tsPregled = nullptr;    // "Pregled strukturne datoteke"

    // Event operations both editors have. They raise the errors of the
    // dictionary queries and of the files; the window's own signal handlers
    // show those errors as messages instead.
    void cbTabeleEnter();
    void cbTabeleExit();
    virtual void cbUporExit() = 0;
    virtual void napolniKolone() = 0;
    void cbTabeleChange() { napolniKolone(); }
    // A click on a PR or UPD cell below the header row toggles it between "+"
    // and " "; marking UPD also marks PR, unmarking PR also unmarks UPD.
    void sgColClick(int row, int col);
    virtual void btPripraviClick() = 0;
    virtual void btShraniClick() = 0;
    virtual void spOpenFileClick() = 0;
    void btIzhodClick();
    void btIzhod1Click();

    // Grid cell text (empty for a cell that was never written).
    QString celica(int row, int col) const;
    void nastaviCelico(int row, int col, const QString &text);

protected:
    TfmStrukturaBase(TMoxContext &ctx, const QStringList &glave, QWidget *parent);

    // Builds the two pages. Each editor adds its own controls into the layout
    // that holds the grid (below the table choice) before the grid.
    QVBoxLayout *nastavitveLayout() const { return m_nastavitveLayout; }

    // Owner list (all users, by name) into cbUpor.
    void napolniUporabnike();
    // Table list of an owner into cbTabele, keeping its text.
    void napolniTabele(const QString &upor);
    // Writes the header row and sets the grid to one header row plus rows rows.
    void pripraviMrezo(int rows);
    // The text of the review page as lines.
    QStringList vrsticeStr() const;
    // "TABELA=" owner "." table.
    QString vrsticaTabela() const;
    // The open dialog; the chosen file is read into the working memo and
    // parsed into opis (as a master/detail table for a ".mst" name, else as a
    // general table); a file that cannot describe a transfer is refused
    // (EMoxError) and leaves the window as it was. Otherwise the save
    // directory becomes its folder, edStrFile names it, the file goes into the
    // review page, and the owner and table combos take its table. Returns the
    // chosen path (empty when nothing was chosen).
    QString odpriStrukturo(const QString &filter, const QString &koncnica, TTableDescription &opis);
    // Saves the review page's text through the save dialog (the save
    // directory becomes the chosen file's folder); true when a file was chosen.
    bool shraniStrukturo(const QString &filter, const QString &koncnica);
    // Refuses (EMoxError naming what is wrong) a structure text the transfers
    // could not use: what razcleniStrukturo refuses for that kind of table,
    // and more keys or columns than a description holds.
    void preveriStrukturo(const QStringList &vrstice, TVrstaStrukture vrsta) const;
    // Sets a combo's text without running its change handlers.
    static void nastaviBesedilo(QComboBox *cb, const QString &text);
    // Runs f; an error is shown as a message (the event ends there).
    template <class F> void varno(F &&f);
    void sporoci(const QString &text);
    // The context's interaction, or one that writes to stderr when it has none.
    TInteraction &interakcija();

    TMoxContext &m_ctx;
    QStringList m_glave;

    // Leaving and entering the combos runs their Exit and Enter operations.
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    QVBoxLayout *m_nastavitveLayout = nullptr;
    std::unique_ptr<TInteraction> m_brezZaslona;
};

template <class F> void TfmStrukturaBase::varno(F &&f)
{
    try {
        f();
    } catch (const EMoxError &e) {
        sporoci(e.message());
    } catch (const std::exception &e) {
        sporoci(QString::fromLocal8Bit(e.what()));
    }
}

// The width a structure grid shows for a column: its precision (one more
// with decimals), datum for a DATE, else its length.
QString dolzinaVMrezi(const TStolpecSlovarja &s, const QString &datum);
