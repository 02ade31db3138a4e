#pragma once
// The pallet screens at the dispatch point: "Pripravi" runs the preparation
// with the screen's settings text, "Osveži" the refresh with its counters.
#include <functional>

class TDispatch;
class TScreens;

void registerPaleteScreens(TDispatch &dispatch, const std::function<TScreens *()> &screens);
