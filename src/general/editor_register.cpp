#include "general/editor_register.h"

#include "general/tfmnastavi.h"
#include "general/tfmnastmast.h"
#include "shell/dispatch.h"
#include "ui/prikazirezultat.h"

#include <QApplication>
#include <QCheckBox>
#include <QMainWindow>

#include <cstdio>

namespace {

// The main window: the top-level window that holds the preparation screen's
// "Detail tabela" box.
QMainWindow *glavnoOkno()
{
    QMainWindow *prvo = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        auto *okno = qobject_cast<QMainWindow *>(w);
        if (!okno)
            continue;
        if (okno->findChild<QCheckBox *>(QStringLiteral("cbDetail")))
            return okno;
        if (!prvo)
            prvo = okno;
    }
    return prvo;
}

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

void registerStructureEditors(TDispatch &dispatch)
{
    dispatch.registerOperation(QString::fromLatin1(moxshellops::urediStrukturo),
                               [](TMoxContext &ctx, const QStringList &) {
                                   QMainWindow *okno = glavnoOkno();
                                   QCheckBox *cbDetail =
                                       okno ? okno->findChild<QCheckBox *>(QStringLiteral("cbDetail")) : nullptr;
                                   odpri(new TfmNastavi(ctx, okno, cbDetail));
                               });
    dispatch.registerOperation(QString::fromLatin1(moxshellops::urediMasterDetail),
                               [](TMoxContext &ctx, const QStringList &) { odpri(new TfmNastMast(ctx, glavnoOkno())); });
}
