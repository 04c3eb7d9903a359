#include "app/shell.h"

int main(int argc, char* argv[]) { return HELX_main(argc, argv); }
