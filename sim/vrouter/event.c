/* Marks an event of a run in VROUTER_LOG_DIR/events.log:
 * "<monotonic time> <arguments, escaped>", on the same clock as sh.log and
 * standin.log so reports can show offsets from the start of the boot. */
#include "../common/logline.h"

int main(int argc, char **argv)
{
    struct logline line;
    if (logline_start(&line) < 0)
        return 1;
    for (int i = 1; i < argc; i++) {
        logline_add_raw(&line, " ");
        logline_add_escaped(&line, argv[i]);
    }
    return logline_finish(&line, VROUTER_LOG_DIR "/events.log") < 0 ? 1 : 0;
}
