#pragma once
// The general tables' screens at the dispatch point: the structure-file
// choices of the preparation and refresh screens, "Priprava" and "Osveži".
// The handlers read and fill the screens' fields by their object names.
#include "general/general.h"

#include <functional>

class TDispatch;
class TScreens;

// Registers spGetStr, preberiStrukturo, pripraviSplosno and osveziSplosno
// (names of moxops in shell/screens.h). screens gives the main window's
// screens when an operation runs; preklopi switches the refreshed table's
// triggers around the refresh.
void registerGeneralTransfers(TDispatch &dispatch, std::function<TScreens *()> screens,
                              TPreklopTriggerjev preklopi = {});
