// Structure files read for the screens and the command script, the DBF of a
// structure, and the entry points of the command script.
#include "general/general.h"

#include "dbf/dbflayout.h"
#include "run/dbfops.h"
#include "general/dbfsupport.h"
#include "general/manifest.h"
#include "log/messages.h"
#include "run/context.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "base/text.h"

#include <QFileInfo>

int naloziStrukturo(TMoxContext &ctx, const QString &strukturnaDatoteka, TTableDescription &opis)
{
    opis.clear();
    ctx.meDyn = moxtext::readTextLines(moxpath::native(strukturnaDatoteka));
    if (ctx.ui)
        ctx.ui->processEvents();
    // A general table (.str) must name its key; a master/detail one (.mst) not.
    return razcleniStrukturo(ctx, opis, vrstaStrukture(strukturnaDatoteka));
}

int preberiStrukturo(TMoxContext &ctx, const QString &strukturnaDatoteka, TTableDescription &opis)
{
    const int n = naloziStrukturo(ctx, strukturnaDatoteka, opis);
    ctx.currTabela = opis.tabelaBrezLastnika();
    return n;
}

bool kreirajDBFzaStrukturo(TMoxContext &ctx, const TTableDescription &opis, const QString &dbfPot, bool detail)
{
    QVector<tipDBFStruktura> polja;
    if (!detail)
        polja.push_back({QStringLiteral("POPRAVI"), QStringLiteral("C"), 1, 0});
    for (const tipKolone &k : opis.aKolone) {
        QString tip = k.tipPolja;
        qint32 dolz = k.dolzina;
        qint32 dec = k.decMest;
        if (tip == QStringLiteral("MEMO")) {
            tip = QStringLiteral("M");
            dolz = 10;
            dec = 0;
        } else if (detail) {
            prirediTipMasterDetail(tip, dolz, dec);
        } else {
            prirediTip(tip, dolz, dec);
        }
        polja.push_back({k.imePolja, tip, dolz, dec});
    }
    return kreirajDBF(ctx, moxpath::native(dbfPot), polja, int(polja.size()));
}

qint64 prepareGeneralFromFile(TMoxContext &ctx, const QString &strukturnaDatoteka, const QString &filter,
                              bool detail, const TPripravaNapredek *napredek, QString *filterIzid)
{
    // Read anew for every preparation: the table's schema name depends on the
    // installation the session serves now.
    const QString pot = moxpath::native(strukturnaDatoteka);
    TTableDescription opis;
    naloziStrukturo(ctx, pot, opis);
    ctx.currSaveDir = moxpath::folderOf(pot);
    if (napredek && napredek->prebrano)
        napredek->prebrano(opis);
    if (!opis.presezeno.isEmpty())
        throw EMoxError(opis.presezeno.join(moxtext::crlf));
    QString f = filter;
    ctx.pKonec = false;
    // The package's manifest lists the table again only once its files are
    // whole: a preparation that fails or is killed leaves it out.
    const QString dbf = dbfZaStrukturo(pot, detail);
    manifestZacetekPriprave(ctx.currSaveDir, QFileInfo(pot).completeBaseName());
    const qint64 n = pripraviSplosno(ctx, opis, dbf, f, detail, napredek);
    if (ctx.pKonec)
        return n; // stopped by "Prekini": not a whole table
    manifestKonecPriprave(ctx, pot, dbf);
    if (filterIzid)
        *filterIzid = f;
    return n;
}

TOsvezevanjeIzid refreshGeneralFromFile(TMoxContext &ctx, const QString &strukturnaDatoteka, bool samoPreverjanje,
                                        const TPreklopTriggerjev &preklopi, const TOsvezevanjeNapredek *napredek)
{
    const QString pot = moxpath::native(strukturnaDatoteka);
    TTableDescription opis;
    preberiStrukturo(ctx, pot, opis);
    ctx.pKonec = false;
    return osveziSplosno(ctx, opis, pot, samoPreverjanje, napredek, preklopi);
}
