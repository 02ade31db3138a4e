#pragma once
// The groups-023 screens at the dispatch point: "Pripravi" runs the
// preparation with the screen's code list, "Osveži" the refresh with its
// counters.
#include <functional>

class TDispatch;
class TScreens;

void registerGrupe023Screens(TDispatch &dispatch, const std::function<TScreens *()> &screens);
