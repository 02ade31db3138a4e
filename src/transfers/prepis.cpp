#include "transfers/prepis.h"

#include "dbf/apollo.h"
#include "dbf/dbflayout.h"
#include "run/dbfops.h"
#include "oracle/oracle.h"
#include "run/context.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "base/scopeexit.h"
#include "base/text.h"

#include <QFile>
#include <QFileInfo>

void prepisiBesedilo(const TOracleDataSet &vrstica, TApolloDataSet &dbf, const QString &ime)
{
    nastaviBesedilo(dbf, ime, vrstica.FieldByName(ime).AsString());
}

void nastaviBesedilo(TApolloDataSet &dbf, const QString &ime, const QString &besedilo)
{
    TApolloField polje = dbf.FieldByName(ime);
    const TApolloFieldInfo &info = polje.info();
    const bool memo = info.type == u'M';
    if (!moxtext::isCp1250(besedilo))
        throw EMoxError(QStringLiteral("Vrednost polja %1 tabele %2 ima znake, ki jih datoteka ne more zapisati: %3")
                            .arg(info.name, dbf.TableName, besedilo.left(200)));
    if (!memo && besedilo.size() > info.width)
        throw EMoxError(QStringLiteral("Vrednost \"%1\" ne gre v polje %2 širine %3 tabele %4: naredite DBF znova")
                            .arg(besedilo, info.name)
                            .arg(info.width)
                            .arg(dbf.TableName));
    polje.setAsString(besedilo);
}

void ustvariDBF(TMoxContext &ctx, const QString &mapa, const QString &tabela)
{
    const QString osnova = moxpath::join(mapa, tabela);
    // An old file left in place would be opened and appended to when the
    // creation fails: it goes first, with its memo and index files.
    for (const char *konc : {".DBF", ".dbf", ".FPT", ".fpt", ".CDX", ".cdx"}) {
        const QString f = osnova + QLatin1String(konc);
        if (QFileInfo::exists(f) && !QFile::remove(f))
            throw EMoxError(QStringLiteral("Neuspešno kreiranje tabele:") + osnova + QStringLiteral(" (datoteke ") + f +
                            QStringLiteral(" ni mogoče zamenjati)"));
    }
    const QString shranjena = ctx.currSaveDir;
    TNaKoncu nazaj([&ctx, shranjena] { ctx.currSaveDir = shranjena; });
    ctx.currSaveDir = moxpath::withTrailingSeparator(mapa);
    generirajDBF(ctx, moxtext::upperAZ(ctx.currUserAsTavo), tabela);
    TApolloDataSet nova;
    nova.TableName = osnova;
    if (!QFileInfo::exists(nova.resolvedPath()))
        throw EMoxError(QStringLiteral("Neuspešno kreiranje tabele:") + osnova);
}
