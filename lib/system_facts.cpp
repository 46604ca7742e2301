// Flash size and uptime.
#include "qavo/files.h"

#include <cstdio>
#include <sys/sysinfo.h>

#include "lib/holders.h"
#include "lib/proc_tables.h"
#include "lib/system.h"
#include "qavo/runner.h"

extern "C" int getFlashSize(void)
{
    QavoSystem("cat /proc/mtd > /tmp/FlashSize", 0);
    qavo::File dump(qavo::sys::openFile("/tmp/FlashSize", "re"));
    if (!dump)
        return 0;
    // Only the first 1023 bytes count; partition 0 is listed first.
    char text[1024] = "";
    size_t length = fread(text, 1, sizeof text - 1, dump.get());
    dump.reset();
    int mib = 0;
    if (length < 4)
        puts("[Debug] get data from /tmp/FlashSize error!");
    else
        mib = qavo::proc::flashSizeMiB(std::string_view(text, length));
    QavoSystem("rm -f /tmp/FlashSize", 0);
    return mib;
}

extern "C" void getSysUptime(char *out)
{
    struct sysinfo facts;
    if (!out || sysinfo(&facts) != 0)
        return;
    long seconds = facts.uptime;
    snprintf(out, 32, "%d;%d;%d;%d", static_cast<int>(seconds / 86400), static_cast<int>(seconds % 86400 / 3600),
             static_cast<int>(seconds % 3600 / 60), static_cast<int>(seconds % 60));
}
