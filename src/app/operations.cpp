#include "operations.h"

#include "automation/housekeeping.h"
#include "general/editor_register.h"
#include "general/gui/generalscreens.h"
#include "shell/dispatch.h"

void registerOperations(TDispatch &dispatch)
{
    // The general refresh switches its table's triggers with the housekeeping
    // switch; transfer libraries add their registration calls here.
    registerGeneralTransfers(dispatch, &preklopiTriggerje);
    registerStructureEditors(dispatch);
}
