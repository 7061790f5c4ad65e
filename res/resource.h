// Every numeric resource id of the program, shared by the resource script and the code.
#pragma once

// Icons
#define IDI_SCRIVTREE 101

// Strings
#define IDS_CANT_CREATE_OUTPUT 112
#define IDS_SUMMARY 113
#define IDS_SHELL_VERB 114
#define IDS_COMMAND_LINE_ERROR 115
#define IDS_PATH_AND_OUT_MISSING 116
#define IDS_CANT_ENTER_START_FOLDER 117
#define IDS_CANT_WRITE_OUTPUT 118
#define IDS_OUT_OF_MEMORY 119
