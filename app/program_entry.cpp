#include "app/program_entry.h"

const char* CommandLineText = "";
char InitialFolder[MAX_PATH] = "";
