// The program's version, kept in this one place for the code, the resources and the package name.
#pragma once

#define VEMO_VERSION_MAJOR 0
#define VEMO_VERSION_MINOR 1
#define VEMO_VERSION_TEXT "0.01"

// The program's name, the caption of every message box.
#define VEMO_NAME "vemo"

// Main window title, tray tip, About text and shortcut description: it must fit the 64-byte tray
// tip with its terminator.
#define VEMO_VERSION_STRING VEMO_NAME " ver " VEMO_VERSION_TEXT
