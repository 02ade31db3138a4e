#pragma once
// The DBF viewer "Pregled in popravljanje DBF-tabel": a grid over the
// records of an open table with a navigator bar, so that a prepared file can
// be reviewed and corrected before it is carried to another installation.
//
// Object names: dbgDBF (grid), dbnDBF (navigator) with the buttons nbFirst,
// nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel,
// nbRefresh; Panel1 (bottom panel), Panel2 (right panel), btIzhod.
#include <QDialog>

#include <QTableView>

class QPushButton;
class QToolButton;
class TApolloDataSet;
class TDbfModel;

// The grid: a table view that can close its open editor on request, handing
// the typed value to the model first.
class TDbGrid : public QTableView {
    Q_OBJECT
public:
    using QTableView::QTableView;
    void zakljuciUrejanje();
    // Closes the open editor, dropping what was typed.
    void opustiUrejanje();
};

class TfmDBF : public QDialog {
    Q_OBJECT
public:
    explicit TfmDBF(QWidget *parent = nullptr);
    ~TfmDBF() override;

    // Binds the grid and the navigator to an open table (nullptr unbinds).
    void povezi(TApolloDataSet *table);
    // Shows the window modally (not on a platform without a screen). A
    // pending edit is posted when the window closes.
    void pokaziModalno();
    TDbfModel *model() const { return m_model; }

    // Navigator commands.
    void prvi();
    void prejsnji();
    void naslednji();
    void zadnji();
    void vstavi();
    void izbrisi();
    void uredi();
    void objavi();
    void preklici();
    void osvezi();

    TDbGrid *dbgDBF;
    QWidget *dbnDBF;
    QWidget *Panel1;
    QWidget *Panel2;
    QPushButton *btIzhod;

    void done(int r) override;

private:
    void pojdiNa(int row);
    void posodobiGumbe();
    void sporoci(const QString &text);
    template <class F> void varno(F &&f);

    TDbfModel *m_model;
    QToolButton *m_nb[10] = {};
};
