/*
 * A setting module in miniature, built only from what the installed tree and
 * `pkg-config --cflags --libs qavo` give it: it runs a command through the library's
 * shell runner and reports the exit status the runner returned.
 */
#include <stdio.h>

#include <nvram.h>
#include <qavo/runner.h>

int main(void)
{
    int status = QavoSystem("exit 3", 0);
    if (status != 3 * 256) {
        fprintf(stderr, "QavoSystem(\"exit 3\") returned %d, expected %d\n", status, 3 * 256);
        return 1;
    }
    puts("module ran");
    return 0;
}
