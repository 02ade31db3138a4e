#pragma once
// "Nastavi strukturo prenosa": writes the structure file (.str) of a general
// table and creates its empty DBF. The owner and table come from the data
// dictionary; the grid marks the columns to transfer (PR) and those the
// refresh may update (UPD), and names reference columns (odv-kolona,
// odv-tabela); the key, the auto-numbered column and its statement are
// typed into their own fields.
#include "general/gui/editor_base.h"
#include "general/tabledesc.h"

#include <QPointer>

class QCheckBox;

class TfmNastavi : public TfmStrukturaBase {
    Q_OBJECT
public:
    // Grid columns beyond the shared ones.
    enum { colNull = 6, colOdvKolona = 7, colOdvTabela = 8 };

    // cbDetail: the preparation screen's "Detail tabela" box, which opening a
    // structure file ticks for a ".mst" file and clears otherwise (may be null).
    explicit TfmNastavi(TMoxContext &ctx, QWidget *parent = nullptr, QCheckBox *cbDetail = nullptr);
    ~TfmNastavi() override;

    // Controls of the general editor.
    QPlainTextEdit *meKljuc = nullptr; // one key column per line: name, a blank, type
    QComboBox *cbAuto = nullptr;       // auto-numbered column
    QPlainTextEdit *meAuto = nullptr;  // its statement
    QLabel *lbAuto = nullptr;          // "Sekvenca", shown with meAuto

    // Reference tables named in the grid by the last btPripraviClick.
    QStringList prMastStr;
    // The DBF the reference checks open.
    TApolloDataSet tmpDataSet;

    // Event operations.
    void FormCreate();
    void cbUporExit() override;
    void napolniKolone() override;
    void cbAutoChange();
    void cbAutoExit();
    void btPripraviClick() override;
    void btShraniClick() override;
    void spOpenFileClick() override;

protected:
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    QStringList vrsticeKljuca() const;
    QPointer<QCheckBox> m_cbDetail;
};
