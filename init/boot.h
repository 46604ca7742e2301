// The boot program's own steps.
#ifndef QAVO_INIT_BOOT_H
#define QAVO_INIT_BOOT_H

// Waits for the configuration-store daemon's pid file (25 attempts, one second apart)
// and opens section 0. 0 on success, -1 after giving up.
int setDefault();

// Sleeps n whole seconds, resuming after signals for the time that was left. Returns 0.
int Sleep(unsigned n);

// Runs the boot sequence in its fixed order. Always 0.
int initInternet();

// Restarts the NTP client (static WAN with NTP on only) and the system and kernel loggers.
void management_init();

#endif
