#pragma once
// What the groups-023 and pallet preparations share: the code list as it is
// sought in the database, the opening of their template files, and the end
// of a preparation that failed.
#include "transfers/druzine.h"

#include <QString>
#include <QStringList>

struct TMoxContext;
class TApolloDataSet;

// The codes as one bound text for whole-item membership: ",K1,K2," (empty
// codes left out), sought with instr(:seznam, ','||code||',').
QString seznamZaIskanje(const QStringList &kode);

// Opens the file ime (with its extension) of the folder exclusively, closing
// the table first; empties it when prazni is set and stands on its first
// record. Errors (a missing file, one held by another program) are raised.
void odpriDatotekoDruzine(TApolloDataSet &tabela, const QString &mapa, const QString &ime, bool prazni);

// A preparation that ended on an error: status "D", the error in napaka,
// one more failed transfer of the run, the error shown (not in unattended
// runs) and written into the run log.
void koncajPripravoZNapako(TMoxContext &ctx, TIzidDruzine &izid, const QString &vrsta, const QString &sporocilo);
