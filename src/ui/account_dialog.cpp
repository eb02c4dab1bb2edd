// The account dialog (template 105).
#include "ui/ui.h"
#include "mailcheck/round.h"
#include "res/resource.h"
#include "res/version.h"
#include "settings/settings.h"
#include "ui/forms.h"

int g_editSlot;

static INT_PTR onInitDialog(HWND dialog, const int *slot) {
    prepareDialog(dialog);
    g_editSlot = slot ? *slot : -1;
    if (g_editSlot < 0 || g_editSlot >= kAccountSlots)
        return 1;
    SetDlgItemTextA(dialog, IDC_ACCOUNT_NAME, g_settings.names[g_editSlot]);
    SetDlgItemTextA(dialog, IDC_ACCOUNT_SERVER, g_settings.servers[g_editSlot]);
    SetDlgItemTextA(dialog, IDC_ACCOUNT_USER, g_settings.users[g_editSlot]);
    SetDlgItemTextA(dialog, IDC_ACCOUNT_PASSWORD, g_settings.passwords[g_editSlot]);
    CheckDlgButton(dialog, IDC_APOP, g_settings.apop[g_editSlot]);
    return 1;
}

static void closeDialog(HWND dialog) {
    SendMessageA(dialog, WM_CLOSE, 0, 0);
}

// Brings the settings dialog's list up to date with the account stored at `slot`: a new account
// goes to the end, an edited one keeps its place and stays selected.
static void updateOwnerList(HWND dialog, int slot) {
    HWND owner = GetParent(dialog);
    LPARAM name = reinterpret_cast<LPARAM>(g_settings.names[slot]);
    if (g_editSlot < 0) {
        SendDlgItemMessageA(owner, IDC_ACCOUNT_LIST, LB_ADDSTRING, 0, name);
        return;
    }
    LRESULT index = SendDlgItemMessageA(owner, IDC_ACCOUNT_LIST, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR)
        return;
    SendDlgItemMessageA(owner, IDC_ACCOUNT_LIST, LB_DELETESTRING, index, 0);
    SendDlgItemMessageA(owner, IDC_ACCOUNT_LIST, LB_INSERTSTRING, index, name);
    SendDlgItemMessageA(owner, IDC_ACCOUNT_LIST, LB_SETCURSEL, index, 0);
}

static void onOk(HWND dialog) {
    // Read cut to the arrays that receive them.
    char name[kNameSize] = "", server[kNameSize] = "", user[kSecretSize] = "",
         password[kSecretSize] = "";
    GetDlgItemTextA(dialog, IDC_ACCOUNT_NAME, name, sizeof name);
    GetDlgItemTextA(dialog, IDC_ACCOUNT_SERVER, server, sizeof server);
    GetDlgItemTextA(dialog, IDC_ACCOUNT_USER, user, sizeof user);
    GetDlgItemTextA(dialog, IDC_ACCOUNT_PASSWORD, password, sizeof password);
    int apop = IsDlgButtonChecked(dialog, IDC_APOP) == BST_CHECKED;
    AccountResult result = storeAccountForm({name, server, user, password, apop}, g_editSlot);
    if (result.outcome == kAccountRefused) {
        MessageBoxA(dialog, result.message, VEMO_NAME, MB_ICONERROR);
        return;
    }
    if (result.outcome == kAccountStored) {
        // Its mail is announced anew: what was seen belongs to the account as it was.
        forgetAccount(result.slot);
        updateOwnerList(dialog, result.slot);
    }
    closeDialog(dialog);
}

static INT_PTR onCommand(HWND dialog, int command) {
    switch (command) {
    case IDOK:
        onOk(dialog);
        break;
    case IDCANCEL:
        closeDialog(dialog);
        break;
    }
    return 1;
}

static INT_PTR onClose(HWND dialog) {
    EndDialog(dialog, 0);
    return 1;
}

INT_PTR CALLBACK accountDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog(dialog, reinterpret_cast<const int *>(lParam));
    case WM_COMMAND:
        return onCommand(dialog, LOWORD(wParam));
    case WM_CLOSE:
        return onClose(dialog);
    }
    return 0;
}
