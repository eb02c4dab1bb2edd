// The shortcut "vemo.lnk" in the user's Startup folder, which starts the program at log-on.
#pragma once

// The shortcut's path; the empty string when the Startup folder cannot be determined or the
// path would not fit MAX_PATH bytes. The buffer is the caller's, MAX_PATH bytes.
const char *startupShortcutPath(char *path);

// 1 when a file or folder of that name exists, else 0.
int fileExists(const char *path);

// 1 when the shortcut exists.
int startupShortcutExists();

// Deletes the shortcut when it exists, else creates it; failures are silent.
void toggleStartupShortcut();
