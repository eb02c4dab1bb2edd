// Opens the dialogs of the running vemo one after another for scripts/run's screenshots, with
// window messages as the tray menu and the buttons would send them. Each step returns 0 once its
// dialog shows.
//   screenshot_dialogs settings   the settings dialog
//   screenshot_dialogs account    over it, the account dialog of Add, filled with an example
//   screenshot_dialogs close      both cancelled
#include "res/resource.h"

#include <windows.h>

#include <cstring>

static const char kSettingsTitle[] = "設定";
static const char kAccountTitle[] = "アカウントの設定";

static HWND waitForDialog(const char *title) {
    for (int i = 0; i < 500; i++) {
        HWND dialog = FindWindowA("#32770", title);
        if (dialog && IsWindowVisible(dialog))
            return dialog;
        Sleep(20);
    }
    return NULL;
}

// Posted, since each command opens a modal dialog inside the program.
static HWND press(HWND window, int command, const char *dialogTitle) {
    if (!window)
        return NULL;
    PostMessageA(window, WM_COMMAND, command, 0);
    return dialogTitle ? waitForDialog(dialogTitle) : window;
}

int main(int argc, char **argv) {
    const char *step = argc == 2 ? argv[1] : "";
    if (strcmp(step, "settings") == 0)
        return !press(FindWindowA("vemoClass", NULL), ID_OPEN_SETTINGS, kSettingsTitle);
    HWND settings = FindWindowA("#32770", kSettingsTitle);
    if (strcmp(step, "account") == 0) {
        HWND account = press(settings, IDC_ADD_ACCOUNT, kAccountTitle);
        if (!account)
            return 1;
        SetDlgItemTextA(account, IDC_ACCOUNT_NAME, "自宅");
        SetDlgItemTextA(account, IDC_ACCOUNT_SERVER, "imaps://imap.example.jp");
        SetDlgItemTextA(account, IDC_ACCOUNT_USER, "taro@example.jp");
        SetDlgItemTextA(account, IDC_ACCOUNT_PASSWORD, "password");
        // Wine on a display without a window manager leaves this dialog unpainted while it lies
        // over the settings dialog: at the screen's bottom left, clear of it, it paints.
        RECT frame;
        GetWindowRect(account, &frame);
        int top = GetSystemMetrics(SM_CYSCREEN) - (frame.bottom - frame.top);
        return !SetWindowPos(account, NULL, 0, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    if (strcmp(step, "close") == 0) {
        // The settings dialog waits until the account dialog above it has gone.
        HWND account = press(FindWindowA("#32770", kAccountTitle), IDCANCEL, NULL);
        for (int i = 0; i < 500 && account && IsWindow(account); i++)
            Sleep(20);
        return !press(settings, IDCANCEL, NULL);
    }
    return 2;
}
