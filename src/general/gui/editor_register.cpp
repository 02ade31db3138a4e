#include "general/gui/editor_register.h"

#include "general/gui/tfmnastavi.h"
#include "general/gui/tfmnastmast.h"
#include "startup/dispatch.h"
#include "ui/prikazirezultat.h"

#include <QCheckBox>
#include <QMainWindow>

#include <cstdio>

namespace {

void odpri(TfmStrukturaBase *urejevalnik)
{
    if (moxui::jeBrezZaslona()) {
        // Nobody can work in the window: show it and go on.
        std::fprintf(stderr, "%s\n", qUtf8Printable(urejevalnik->windowTitle()));
        urejevalnik->setAttribute(Qt::WA_DeleteOnClose);
        urejevalnik->setModal(false);
        urejevalnik->show();
        return;
    }
    urejevalnik->exec();
    delete urejevalnik;
}

} // namespace

void registerStructureEditors(TDispatch &dispatch, QMainWindow *okno)
{
    dispatch.registerOperation(QString::fromLatin1(moxshellops::urediStrukturo),
                               [okno](TMoxContext &ctx, const QStringList &) {
                                   // The preparation screen's "Detail tabela" box follows the
                                   // editor's master/detail choice.
                                   QCheckBox *cbDetail =
                                       okno ? okno->findChild<QCheckBox *>(QStringLiteral("cbDetail")) : nullptr;
                                   odpri(new TfmNastavi(ctx, okno, cbDetail));
                               });
    dispatch.registerOperation(QString::fromLatin1(moxshellops::urediMasterDetail),
                               [okno](TMoxContext &ctx, const QStringList &) { odpri(new TfmNastMast(ctx, okno)); });
}
