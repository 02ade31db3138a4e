#pragma once
// The medical-data analyses' screens at the dispatch point: "Priprava" of the
// preparation page and "Osveži" of the refresh page run the engine operations
// with the pages' fields and show their counters.
#include <functional>

class TDispatch;
class TScreens;

void registerAnalizeScreens(TDispatch &dispatch, const std::function<TScreens *()> &screens);
