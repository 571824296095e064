// Process entry of both executables (QoTarmish and QoTarmish-dev).
#include "main/startup.h"

int main(int argc, char** argv) { return qo::program_main(argc, argv); }
