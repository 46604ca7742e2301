#include <cstdio>

#include "usbconfig/driver.h"

int main(int argc, char **argv)
{
    int status = usbconfig::runUsbTool(argc, argv);
    fflush(stdout);
    return status;
}
