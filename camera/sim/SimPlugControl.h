#pragma once

// Plugging the simulated camera out and in from a program that loads the plug-in (end-to-end
// tests of a host). The plug-in holds its own simulated camera, the one its elements talk to,
// so the switch is exported from the plug-in with C linkage: look it up with dlsym on the
// loaded plug-in. It acts only when the simulated camera was asked for (TEVALCAP_SIMULATE=1)
// and then returns 1; otherwise it does nothing and returns 0, so a real camera is never
// affected.
#ifdef __cplusplus
extern "C" {
#endif

__attribute__((visibility("default"))) int TevalSim_SetPlugged(int plugged);

#ifdef __cplusplus
}
#endif
