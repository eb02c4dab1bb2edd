// The settings and account dialogs of the running program, driven from outside: opening them,
// typing an account, pressing buttons, answering their message boxes.
#pragma once

#include "e2e/program.h"
#include "res/resource.h"

#include <string>
#include <vector>

const char kSettingsTitle[] = "設定";
const char kAccountTitle[] = "アカウントの設定";

// Every click is posted: the command may open a modal dialog or box inside the program.
inline void press(HWND dialog, int command) {
    PostMessageA(dialog, WM_COMMAND, command, 0);
}

inline bool waitGone(HWND window) {
    for (int i = 0; i < 1000 && IsWindow(window); i++)
        Sleep(20);
    return !IsWindow(window);
}

inline HWND openSettings(HWND mainWindow) {
    press(mainWindow, ID_OPEN_SETTINGS);
    return waitForWindow("#32770", kSettingsTitle, kTimeoutMs);
}

inline HWND openAccountDialog(HWND settings, int command) {
    press(settings, command);
    return waitForWindow("#32770", kAccountTitle, kTimeoutMs);
}

// Reads the message box that the program shows next and answers it; "" when none came.
inline std::string answerBox(int answer = IDOK) {
    HWND box = waitForWindow("#32770", "vemo", kTimeoutMs);
    if (!box)
        return "";
    std::string text = messageBoxText(box);
    press(box, answer);
    waitGone(box);
    return text;
}

struct Account {
    const char *name, *server, *user, *password;
    int apop;
};

inline void fillAccount(HWND dialog, const Account &account) {
    SetDlgItemTextA(dialog, IDC_ACCOUNT_NAME, account.name);
    SetDlgItemTextA(dialog, IDC_ACCOUNT_SERVER, account.server);
    SetDlgItemTextA(dialog, IDC_ACCOUNT_USER, account.user);
    SetDlgItemTextA(dialog, IDC_ACCOUNT_PASSWORD, account.password);
    SendDlgItemMessageA(dialog, IDC_APOP, BM_SETCHECK, account.apop ? BST_CHECKED : BST_UNCHECKED,
                        0);
}

// Add, fill, OK: true when the account dialog closed.
inline bool addAccount(HWND settings, const Account &account) {
    HWND dialog = openAccountDialog(settings, IDC_ADD_ACCOUNT);
    if (!dialog)
        return false;
    fillAccount(dialog, account);
    press(dialog, IDOK);
    return waitGone(dialog);
}

// The list's entries, in order, when they are exactly `names`. The entries are matched by name:
// the list does not hand its texts to another process as they were added.
inline bool listHolds(HWND settings, const std::vector<std::string> &names) {
    LRESULT count = SendDlgItemMessageA(settings, IDC_ACCOUNT_LIST, LB_GETCOUNT, 0, 0);
    if (count != static_cast<LRESULT>(names.size()))
        return false;
    for (size_t i = 0; i < names.size(); i++)
        if (SendDlgItemMessageA(settings, IDC_ACCOUNT_LIST, LB_FINDSTRINGEXACT, -1,
                                reinterpret_cast<LPARAM>(names[i].c_str())) !=
            static_cast<LRESULT>(i))
            return false;
    return true;
}
