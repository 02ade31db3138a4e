#include "transfers/gui/druzinezasloni.h"

#include "transfers/gui/analizescreen.h"
#include "transfers/gui/grupescreen.h"
#include "transfers/gui/grupe023screen.h"
#include "transfers/gui/paletescreen.h"
#include "transfers/gui/obrazciscreen.h"
#include "transfers/gui/parametriscreen.h"
#include "transfers/gui/sksscreen.h"

void registerFamilyScreens(TDispatch &dispatch, const std::function<TScreens *()> &screens)
{
    // Each family registers its screens here as it lands.
    registerParametriScreens(dispatch, screens);
    registerAnalizeScreens(dispatch, screens);
    registerGrupe023Screens(dispatch, screens);
    registerPaleteScreens(dispatch, screens);
    registerObrazciScreens(dispatch, screens);
    registerSksScreens(dispatch, screens);
    registerGrupeScreens(dispatch, screens);
    (void)dispatch;
    (void)screens;
}
