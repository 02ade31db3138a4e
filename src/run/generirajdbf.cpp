// generirajDBF lives apart from the type mapping so that programs which use
// only the mapping do not pull in the Oracle layer.
#include "dbf/dbflayout.h"

#include "run/dbfops.h"
#include "run/context.h"
#include "run/slovar.h"
#include "base/paths.h"

void generirajDBF(TMoxContext &ctx, const QString &upor, const QString &tabela)
{
    QVector<tipDBFStruktura> polja;
    polja.reserve(251);
    polja.append({QStringLiteral("POPRAVI"), QStringLiteral("C"), 1, 0});
    for (const TStolpecSlovarja &s : stolpciTabele(ctx.osOracle, upor, tabela)) {
        QString tip = s.tip;
        qint32 dolz = qint32(s.natancnost >= 1 ? s.natancnost : s.dolzina);
        qint32 dec = qint32(s.decimalk);
        prirediTip(tip, dolz, dec);
        polja.append({s.ime, tip, dolz, dec});
    }
    if (tabela == QLatin1String("PR908CXR"))
        polja.append({QStringLiteral("CODE_055"), QStringLiteral("C"), 10, 0});
    kreirajDBF(ctx, moxpath::join(ctx.currSaveDir, tabela), polja, int(polja.size()));
}
