// Boot steps that act on factory data, wireless defaults and LEDs.
#ifndef QAVO_INIT_FACTORY_STEPS_H
#define QAVO_INIT_FACTORY_STEPS_H

// Repairs the factory WAN MAC when it is inconsistent, then reboots. Always 0.
int fixDefaultMac();
// Turns a placeholder SSID into a per-unit name.
void modifyDefaultSsid();
// Restarts the 802.1X daemon when the settings of section need it.
void restart8021XDaemon(int section);
// Links the web pages' language file.
void setLanguageCfg();
// Sets the system LED pattern.
void setSysLEDBlink();

#endif
