// The modules behind the web front end's pages:
//   status  {}  -> {"wanConnectionMode", "wanIp", "wanLink" ("up"/"down"), "wanStatus",
//                   "lanIp", "uptime" ("days;hours;minutes;seconds"), "usb" (the text of
//                   "/var/usbinfo")}
//   lan, wan  {}  -> the page's settings as stored (an empty value stays "")
//             {"<key>": "<value>", ...}  -> every member is checked against the page's field;
//                   when all pass they are stored, committed, and the network tool's
//                   bring-up for the page runs in the background. The reply names the
//                   outcome of each member: {"success", "error", "fields": {"<key>":
//                   "saved" | "not saved" | "Error: setting <key> ..."}}; one refused
//                   member stores none.
#ifndef QAVO_SUB_WEB_PAGES_H
#define QAVO_SUB_WEB_PAGES_H

struct cJSON;
struct mosquitto;

namespace qavo_sub {

// Answers the request when module names a page module; false when it does not.
bool answerPage(mosquitto *client, const char *topic, const char *module, cJSON *request);

} // namespace qavo_sub

#endif
