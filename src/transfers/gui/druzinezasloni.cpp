#include "transfers/gui/druzinezasloni.h"

void registerFamilyScreens(TDispatch &dispatch, const std::function<TScreens *()> &screens)
{
    // Each family registers its screens here as it lands.
    (void)dispatch;
    (void)screens;
}
