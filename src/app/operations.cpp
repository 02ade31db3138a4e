#include "operations.h"

#include "general/editor_register.h"
#include "general/gui/generalscreens.h"
#include "shell/dispatch.h"

void registerOperations(TDispatch &dispatch)
{
    // The trigger switches of the general refresh are registered by the main
    // window itself; transfer libraries add their registration calls here.
    registerGeneralTransfers(dispatch);
    registerStructureEditors(dispatch);
}
