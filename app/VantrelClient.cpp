// vantrel: checks for a new version of the installed product and, when
// there is something to show, loads the window module.
#include "app/StartUp.h"

int main(int argc, char** argv) {
    return vantrel::RunStartUp(argc, argv);
}
