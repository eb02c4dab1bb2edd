// The shortcut in the user's Startup folder.
#include "startup/startup.h"

#include "app/app.h"

#include <shlobj.h>

static const char kShortcutName[] = "\\vemo.lnk";

// The shell's link object, named here rather than linked from the big GUID library.
static const CLSID kShellLinkClass = {
    0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

const char *startupShortcutPath(char *path) {
    memset(path, 0, MAX_PATH);
    // Without a folder the name alone would land at the root of the current drive.
    if (!SHGetSpecialFolderPathA(NULL, path, CSIDL_STARTUP, TRUE) ||
        lstrlenA(path) + lstrlenA(kShortcutName) >= MAX_PATH) {
        path[0] = '\0';
        return path;
    }
    lstrcatA(path, kShortcutName);
    return path;
}

int fileExists(const char *path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(search);
    return 1;
}

int startupShortcutExists() {
    char path[MAX_PATH];
    return *startupShortcutPath(path) && fileExists(path);
}

static void createShortcut(const char *path) {
    char module[MAX_PATH];
    GetModuleFileNameA(NULL, module, MAX_PATH);
    CoInitialize(NULL);
    IShellLinkA *link;
    if (SUCCEEDED(CoCreateInstance(kShellLinkClass, NULL, CLSCTX_INPROC_SERVER,
                                   __uuidof(IShellLinkA), reinterpret_cast<void **>(&link)))) {
        IPersistFile *file;
        if (SUCCEEDED(
                link->QueryInterface(__uuidof(IPersistFile), reinterpret_cast<void **>(&file)))) {
            link->SetPath(module);
            link->SetDescription(kVersionString);
            link->SetArguments("/s");
            link->SetWorkingDirectory("");
            link->SetIconLocation("", 0);
            link->SetShowCmd(SW_SHOWNORMAL);
            WCHAR widePath[MAX_PATH];
            if (MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, MAX_PATH))
                file->Save(widePath, TRUE);
            file->Release();
        }
        link->Release();
    }
    CoUninitialize();
}

void toggleStartupShortcut() {
    char path[MAX_PATH];
    if (!*startupShortcutPath(path))
        return;
    if (fileExists(path))
        DeleteFileA(path);
    else
        createShortcut(path);
}
