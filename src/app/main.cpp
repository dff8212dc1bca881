#include "app/CommandLine.h"

int main(int argc, char *argv[])
{
    return gavelry::runMain(argc, argv);
}
