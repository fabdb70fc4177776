#include "shell/startup.h"

int main(int argc, char** argv)
{
    return vek::runClient(argc, argv);
}
