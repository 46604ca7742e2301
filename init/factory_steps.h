// Boot steps that act on factory data and wireless defaults (the system LED step is
// exported from the library: qavo/leds.h).
#ifndef QAVO_INIT_FACTORY_STEPS_H
#define QAVO_INIT_FACTORY_STEPS_H

// Repairs the factory WAN MAC when it is inconsistent, then reboots. Always 0.
int fixDefaultMac();
// Turns a placeholder SSID into a per-unit name (brand part, "_", the last three bytes of
// ra0's MAC), stores and commits it, and starts the wireless tool with "init2g".
void modifyDefaultSsid();
// Stops the 802.1X daemon and starts it again when a network of section needs it (for
// section 0 only; other sections are evaluated without effect).
void restart8021XDaemon(int section);
// Links the web pages' language file to the Chinese or English text set.
void setLanguageCfg();

#endif
