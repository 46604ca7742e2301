#include <cstdio>

#include "networkconfig/driver.h"

int main(int argc, char **argv)
{
    int status = networkconfig::runNetworkTool(argc, argv);
    fflush(stdout);
    return status;
}
