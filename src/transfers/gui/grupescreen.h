#pragma once
// The groups and activities screens at the dispatch point: "Pripravi" runs
// the preparation with the settings text of the screen, "Osveži" the refresh
// with its forty counters.
#include <functional>

class TDispatch;
class TScreens;

void registerGrupeScreens(TDispatch &dispatch, const std::function<TScreens *()> &screens);
