#pragma once
// "Nastavi strukturo prenosa za Master/Detail": writes the structure file
// (.mst) of a master/detail table, the export of a referenced table's key and
// code columns that the general refresh reads for its lookups, and creates its
// empty DBF (dates as D fields, no POPRAVI field).
#include "general/gui/editor_base.h"

class TfmNastMast : public TfmStrukturaBase {
    Q_OBJECT
public:
    explicit TfmNastMast(TMoxContext &ctx, QWidget *parent = nullptr);
    ~TfmNastMast() override;

    // Event operations.
    void FormCreate();
    void cbUporChange();
    void cbUporExit() override;
    void napolniKolone() override;
    void btPripraviClick() override;
    void btShraniClick() override;
    void spOpenFileClick() override;
};
