#pragma once
// The table passes of the groups refresh, in the order they run: KA061GRP,
// KA060AK0, PO061GRP, PO061SPG, KA055HC0, PO065HC0, PO055SHC, KA062NHC,
// KA055LAB, KA062NHH (kPrehodiGrup in transfers/grupe.h).
#include "transfers/grupe_prehod.h"

#include <QList>

const QList<TOpisPrehoda> &prehodiGrup();
