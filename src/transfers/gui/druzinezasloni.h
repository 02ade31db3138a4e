#pragma once
// The family transfers' screens at the dispatch point: each family's
// "Priprava" and "Osveži" buttons read their screen's fields, run the
// family's engine operation (transfers/druzine.h) and show its counters.
#include <functional>

class TDispatch;
class TScreens;

// Registers the preparation and refresh operations of every family under the
// screens' names (moxops in shell/screens.h). screens gives the main window's
// screens when an operation runs.
void registerFamilyScreens(TDispatch &dispatch, const std::function<TScreens *()> &screens);
