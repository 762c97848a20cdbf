#include "SimPlugControl.h"

#include "CCallSim.h"
#include "CSimCamera.h"

int TevalSim_SetPlugged(int plugged)
{
    if (!CCallSim::Requested()) {
        return 0;
    }
    if (plugged != 0) {
        CSimCamera::Shared().Replug();
    } else {
        CSimCamera::Shared().Unplug();
    }
    return 1;
}
