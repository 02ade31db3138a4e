#include "general/dbfsupport.h"

#include "dbf/apollo.h"
#include "dbf/dbfops.h"
#include "shell/context.h"
#include "shell/paths.h"

#include <QtDebug>

namespace {
// Messages of a context without a screen go to the diagnostic output.
class TStderr : public TInteraction {
public:
    int pokaziSporocilo(const QString &text, TMsgDlgType, TMsgDlgButtons, int) override
    {
        qWarning("%s", qUtf8Printable(text));
        return mrOk;
    }
    void showMessage(const QString &text) override { qWarning("%s", qUtf8Printable(text)); }
    void processEvents() override {}
};
} // namespace

bool odpriReferencniDBF(TMoxContext &ctx, TApolloDataSet &ta, const QString &ime, const QString &izraz)
{
    TStderr brezZaslona;
    return odpriDBF(ta, moxpath::withTrailingSeparator(moxpath::native(ctx.currSaveDir)), ime, izraz,
                    ctx.ui ? *ctx.ui : brezZaslona);
}

QString imeReferencnegaDBF(const QString &ime)
{
    return imeDBF(ime, true);
}

QString dbfZaStrukturo(const QString &strukturnaDatoteka, bool detail)
{
    const QString brez = strukturnaDatoteka.left(qMax<qsizetype>(strukturnaDatoteka.size() - 4, 0));
    if (!detail)
        return brez;
    // Only the file name follows the detail rule; a point in a folder name
    // must not cut the path.
    const qsizetype sep = moxpath::lastSeparator(brez);
    return brez.left(sep + 1) + imeDBF(brez.mid(sep + 1), true);
}
