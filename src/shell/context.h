#pragma once
// Everything an operation may borrow from the main window: the run state, the
// one Oracle session with its query and statement objects, the DBF table
// objects, the working memo (in TRunState) and the way to talk to the person at
// the screen. TfmMOX owns the one instance; engine code takes it by reference
// and never reaches for globals.
#include "dbf/apollo.h"
#include "oracle/oracle.h"
#include "shell/interaction.h"
#include "shell/runstate.h"

struct TMoxContext : TRunState {
    TOracleSession osOracle;

    // Query objects
    TOracleDataSet quDyn{&osOracle};
    TOracleDataSet quDyn1{&osOracle}, quDyn2{&osOracle}, quDyn3{&osOracle}, quDyn4{&osOracle},
        quDyn5{&osOracle}, quDyn6{&osOracle}, quDyn7{&osOracle}, quDyn8{&osOracle}, quDyn9{&osOracle},
        quDyn10{&osOracle}, quDyn11{&osOracle};
    TOracleDataSet quSeq{&osOracle}, quSeq1{&osOracle}, quSeq2{&osOracle}, quSeq3{&osOracle}, quSeq4{&osOracle};
    TOracleDataSet quCol{&osOracle};
    TOracleDataSet quTmp{&osOracle};
    TOracleDataSet quORNA_MOX{&osOracle};

    // Statement objects
    TOracleQuery quInsert{&osOracle}, quInsert1{&osOracle}, quInsert2{&osOracle};
    TOracleQuery quUpdate{&osOracle}, quUpdate1{&osOracle}, quUpdate2{&osOracle};
    TOracleQuery quTemporary{&osOracle};
    TOracleQuery quSQL{&osOracle};
    TOracleQuery quUpdateOrna_mox{&osOracle};

    // DBF table objects
    TApolloDataSet taDBF, taDBF1, taDBF2, taDBF3, taDBF4, taDBF5, taDBF6, taDBF7, taDBF8, taDBF9;

    // Questions, messages and event processing; set by the owner of the context.
    TInteraction *ui = nullptr;
};
