#include "app/program_entry.h"

const char* CommandLineText = "";
