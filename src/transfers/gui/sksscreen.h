#pragma once
// The common code lists' screens at the dispatch point: "PripravaSKS" and
// "Osveži" read their page's fields, run the engine operations of
// transfers/sks.h and show the counters in the page's edits.
#include <functional>

class TDispatch;
class TScreens;

void registerSksScreens(TDispatch &dispatch, const std::function<TScreens *()> &screens);
