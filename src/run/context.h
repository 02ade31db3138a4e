#pragma once
// Everything an operation may borrow from the main window: the run state, the
// one Oracle session with its query and statement objects, the DBF table
// objects, the working memo (in TRunState) and the way to talk to the person at
// the screen. TfmMOX owns the one instance; engine code takes it by reference
// and never reaches for globals.
#include "dbf/apollo.h"
#include "oracle/oracle.h"
#include "base/interaction.h"
#include "run/runstate.h"

struct TMoxContext : TRunState {
    TOracleSession osOracle;

    // Query objects (the transfers that need more add them as they land;
    // most operations keep their own queries local).
    TOracleDataSet quDyn{&osOracle};
    TOracleDataSet quDyn1{&osOracle};
    TOracleDataSet quCol{&osOracle};
    TOracleDataSet quTmp{&osOracle};
    TOracleDataSet quORNA_MOX{&osOracle};

    // Statement objects
    TOracleQuery quInsert{&osOracle};
    TOracleQuery quUpdate{&osOracle};
    TOracleQuery quTemporary{&osOracle};
    TOracleQuery quUpdateOrna_mox{&osOracle};

    // DBF table objects
    TApolloDataSet taDBF, taDBF2, taDBF3;

    // Questions, messages and event processing; set by the owner of the context.
    TInteraction *ui = nullptr;
};
