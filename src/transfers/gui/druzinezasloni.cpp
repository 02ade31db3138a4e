#include "transfers/gui/druzinezasloni.h"

#include "transfers/gui/sksscreen.h"

void registerFamilyScreens(TDispatch &dispatch, const std::function<TScreens *()> &screens)
{
    // Each family registers its screens here as it lands.
    registerSksScreens(dispatch, screens);
    (void)dispatch;
    (void)screens;
}
