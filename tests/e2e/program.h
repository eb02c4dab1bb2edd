// The real program, started as a process of its own in a fresh folder and driven from outside
// with window messages: the fixture and helpers that every end-to-end story shares.
#pragma once

#include "crypto/rc4.h"
#include "settings/settings.h"
#include "support/windows_support.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

inline const DWORD kTimeoutMs = 20000;

// The program's window of that class, visible or not, once it exists; NULL after kTimeoutMs.
inline HWND windowOfClass(const char *className) {
    DWORD start = GetTickCount();
    do {
        if (HWND window = FindWindowA(className, NULL))
            return window;
        Sleep(20);
    } while (GetTickCount() - start < kTimeoutMs);
    return NULL;
}

inline HWND mainWindow() {
    return windowOfClass("vemoClass");
}

// Each test runs its own copy of the program in a fresh folder, so "ini.dat" starts absent.
class Program : public ::testing::Test {
  protected:
    void SetUp() override {
        root = folder = makeTempFolder("e2e");
        installIn(folder);
    }

    void installIn(const std::string &where, const char *name = "vemo.exe") {
        folder = where;
        exe = folder + name;
        ASSERT_TRUE(CopyFileA((testProgramFolder() + VEMO_EXE_NAME).c_str(), exe.c_str(), FALSE));
    }
    void TearDown() override {
        for (PROCESS_INFORMATION &process : processes) {
            if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(process.hProcess, 1);
            WaitForSingleObject(process.hProcess, kTimeoutMs);
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
        }
        if (folder != root)
            removeTempFolder(folder);
        removeTempFolder(root);
    }

    HANDLE start(const char *arguments = "") {
        std::string commandLine = "\"" + exe + "\" " + arguments;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        // Started from another current directory: the program must find its files by itself.
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        if (!CreateProcessA(exe.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, temp,
                            &startup, &process))
            return NULL;
        processes.push_back(process);
        return process.hProcess;
    }

    static DWORD exitCode(HANDLE process) {
        if (WaitForSingleObject(process, kTimeoutMs) != WAIT_OBJECT_0)
            return STILL_ACTIVE;
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(process, &code);
        return code;
    }

    std::vector<BYTE> settingsFile() {
        std::vector<BYTE> data(kSettingsSize + 1);
        HANDLE file = CreateFileA((folder + "ini.dat").c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
        DWORD read = 0;
        if (file != INVALID_HANDLE_VALUE) {
            ReadFile(file, data.data(), static_cast<DWORD>(data.size()), &read, NULL);
            CloseHandle(file);
        }
        data.resize(read);
        return data;
    }

    // Writes "ini.dat" as the program would have saved `record`.
    void writeSettings(const Settings &record) {
        std::vector<BYTE> image(kSettingsSize);
        memcpy(image.data(), &record, kSettingsSize);
        rc4CryptWithPassphrase(image.data(), image.size(), "vemo");
        HANDLE file = CreateFileA((folder + "ini.dat").c_str(), GENERIC_WRITE, 0, NULL,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, image.data(), kSettingsSize, &written, NULL);
        CloseHandle(file);
        ASSERT_EQ(written, kSettingsSize);
    }

    // Writes "ini.dat" from `record`, starts the program and waits for its main window; NULL when
    // either fails.
    HWND startWith(const Settings &record, HANDLE *process) {
        writeSettings(record);
        *process = start();
        return *process ? mainWindow() : NULL;
    }

    // The record in "ini.dat"; false when the file is not whole.
    bool readSettings(Settings *record) {
        std::vector<BYTE> image = settingsFile();
        if (image.size() != kSettingsSize)
            return false;
        rc4CryptWithPassphrase(image.data(), image.size(), "vemo");
        memcpy(record, image.data(), kSettingsSize);
        return true;
    }

    std::string root, folder, exe;
    std::vector<PROCESS_INFORMATION> processes;
};

// The icons in the display's tray, which a window of Wine's own holds as child windows.
inline int trayIcons() {
    HWND tray = FindWindowA("__winex11_standalone_tray", NULL);
    int count = 0;
    for (HWND icon = tray ? FindWindowExA(tray, NULL, "__winex11_tray_icon", NULL) : NULL; icon;
         icon = FindWindowExA(tray, icon, "__winex11_tray_icon", NULL))
        count++;
    return count;
}

// Waits until the tray holds `count` icons.
inline bool trayIconsBecome(int count) {
    DWORD start = GetTickCount();
    while (trayIcons() != count && GetTickCount() - start < 5000)
        Sleep(20);
    return trayIcons() == count;
}

// Waits up to 5 s until `holds` does.
template <class Holds> bool becomes(Holds holds) {
    for (DWORD start = GetTickCount(); !holds(); Sleep(50))
        if (GetTickCount() - start > 5000)
            return false;
    return true;
}

// The first icon in the tray: the program's, where a story runs one program at a time.
inline HWND trayIcon() {
    HWND tray = FindWindowA("__winex11_standalone_tray", NULL);
    return tray ? FindWindowExA(tray, NULL, "__winex11_tray_icon", NULL) : NULL;
}

// The tip of the program's icon as its tooltip holds it. The tooltip lives in Wine's tray
// process, owned by the tray window: the question and the answer go through memory taken in that
// process, asked of each tooltip there until one knows the icon.
inline std::wstring trayTip() {
    HWND icon = trayIcon();
    DWORD processId = 0;
    GetWindowThreadProcessId(icon, &processId);
    HANDLE process =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    WCHAR text[128] = L"";
    TTTOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.hwnd = icon;
    tool.uId = reinterpret_cast<UINT_PTR>(icon);
    BYTE *remote = static_cast<BYTE *>(
        VirtualAllocEx(process, NULL, sizeof tool + sizeof text, MEM_COMMIT, PAGE_READWRITE));
    tool.lpszText = reinterpret_cast<WCHAR *>(remote + sizeof tool);
    for (HWND tip = NULL;
         remote && !text[0] && (tip = FindWindowExA(NULL, tip, TOOLTIPS_CLASSA, NULL));) {
        if (GetWindow(tip, GW_OWNER) != GetAncestor(icon, GA_ROOT))
            continue;
        WriteProcessMemory(process, remote, &tool, sizeof tool, NULL);
        SendMessageW(tip, TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(remote));
        ReadProcessMemory(process, remote + sizeof tool, text, sizeof text - sizeof *text, NULL);
    }
    if (remote)
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return text;
}

// Whether the picture of the program's icon on the screen shows the red mark of waiting mail.
inline bool trayIconMarked() {
    RECT rect = {};
    GetWindowRect(trayIcon(), &rect);
    HDC screen = GetDC(NULL);
    int red = 0;
    for (int y = rect.top; y < rect.bottom; y++)
        for (int x = rect.left; x < rect.right; x++) {
            COLORREF c = GetPixel(screen, x, y);
            red += GetRValue(c) > 160 && GetGValue(c) < 80 && GetBValue(c) < 80;
        }
    ReleaseDC(NULL, screen);
    return red > 4;
}
