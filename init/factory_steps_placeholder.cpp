// PLACEHOLDERS until factory MAC repair, wireless defaults and the status LEDs are built:
// each step does nothing, so the boot sequence runs on past them.
#include "init/factory_steps.h"

int fixDefaultMac() { return 0; }
void modifyDefaultSsid() {}
void restart8021XDaemon(int) {}
void setLanguageCfg() {}
void setSysLEDBlink() {}
