#include "operations.h"

#include "automation/housekeeping.h"
#include "general/gui/editor_register.h"
#include "general/gui/generalscreens.h"
#include "startup/dispatch.h"
#include "transfers/gui/druzinezasloni.h"
#include "window/tfmmox.h"

void registerOperations(TfmMOX &window)
{
    // The general refresh switches its table's triggers with the housekeeping
    // switch; transfer libraries add their registration calls here.
    TDispatch &dispatch = window.dispatch();
    registerGeneralTransfers(dispatch, [&window] { return window.screens(); }, &preklopiTriggerje);
    registerFamilyScreens(dispatch, [&window] { return window.screens(); });
    registerStructureEditors(dispatch, &window);
}
