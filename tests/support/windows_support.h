// Helpers for the Windows-side and end-to-end tests: finding windows and message boxes, reading
// their texts and pressing their buttons, from inside the process or from outside it.
#pragma once

#include <windows.h>

#include <string>

// The first visible top-level window of that class and title (title may be NULL), or NULL after
// timeoutMs.
HWND waitForWindow(const char *className, const char *title, DWORD timeoutMs);

// The message text of a message box, as the cp932 bytes it shows.
std::string messageBoxText(HWND box);

// Presses the OK button of a message box.
void pressOk(HWND box);

// A new empty folder under the temporary folder, with a trailing backslash.
std::string makeTempFolder(const char *tag);

// Deletes the files in a folder made by makeTempFolder, then the folder.
void removeTempFolder(const std::string &folder);

// The folder of the running test program, with a trailing backslash.
std::string testProgramFolder();

// Trusts the certificate in a DER file (the TLS fixture's test CA) in the CurrentUser Root store
// of the test prefix, where every program of the prefix sees it.
bool trustCertificate(const char *derPath);

// Points this program's import of dll!name (imported by name) at `replacement` and returns what it
// pointed at before, or NULL when there is no such import.
void *replaceImport(const char *dll, const char *name, void *replacement);
