#include "general/dbfsupport.h"

#include "dbf/apollo.h"
#include "run/dbfops.h"
#include "run/context.h"
#include "base/paths.h"

bool odpriReferencniDBF(TMoxContext &ctx, TApolloDataSet &ta, const QString &ime, const QString &izraz)
{
    TConsoleInteraction brezZaslona;
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
