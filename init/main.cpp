// initqavo: run once at boot; waits for the configuration store, then brings the router up.
#include <cstdio>

#include "init/boot.h"

int main()
{
    puts("\n[Debug]Init system in qavo...");
    if (setDefault() < 0)
        return -1;
    return initInternet() < 0 ? -1 : 0;
}
