// The settings dialog (template 104) and the centring of both dialogs.
#include "ui/ui.h"
#include "app/app.h"
#include "mailcheck/round.h"
#include "notify/dpi.h"
#include "notify/placement.h"
#include "res/resource.h"
#include "res/version.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "ui/forms.h"

#include <commctrl.h>
#include <commdlg.h>

#include <cstddef>
#include <cstring>

COLORREF g_workBackColor;
COLORREF g_workTextColor;
LOGFONTA g_workFont;
COLORREF g_customColors[16];
HWND g_settingsDialog;

// What the dialog ends with: IDOK once OK has taken the options over, else 0.
static INT_PTR g_result;

#ifndef _WIN64
static_assert(sizeof(CHOOSECOLORA) == 36, "the colour dialog's structure");
static_assert(sizeof(CHOOSEFONTA) == 60, "the font dialog's structure");
static_assert(offsetof(OPENFILENAMEA, pvReserved) == 76, "the file dialog's structure, older form");
#endif

// A display name of up to 255 bytes with the question's 31 bytes of fixed text and the terminator.
const char kDeleteQuestion[] = "' %s ' を削除してよろしいですか？";
static_assert(sizeof kDeleteQuestion - 3 == 31, "fixed text of the delete question");
const int kDeleteQuestionSize = kNameSize + 31;

void centerWindow(HWND reference, HWND window) {
    RECT outer = {}, inner = {};
    GetWindowRect(reference, &outer);
    GetWindowRect(window, &inner);
    int x = centredStart(outer.left, outer.right - outer.left, inner.right - inner.left);
    int y = centredStart(outer.top, outer.bottom - outer.top, inner.bottom - inner.top);
    SetWindowPos(window, HWND_TOP, x, y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
}

void prepareDialog(HWND dialog) {
    HANDLE icon = LoadImageA(g_instance, MAKEINTRESOURCEA(IDI_VEMO), IMAGE_ICON, 0, 0,
                             LR_SHARED | LR_DEFAULTSIZE);
    SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    centerWindow(GetDesktopWindow(), dialog);
}

static void showError(HWND dialog, const char *text) {
    MessageBoxA(dialog, text, VEMO_NAME, MB_ICONERROR);
}

static void closeDialog(HWND dialog) {
    SendMessageA(dialog, WM_CLOSE, 0, 0);
}

static INT_PTR onInitDialog(HWND dialog) {
    g_settingsDialog = dialog;
    g_result = 0;
    prepareDialog(dialog);
    SendDlgItemMessageA(dialog, IDC_INTERVAL_SPIN, UDM_SETRANGE32, 1, 60);
    SendDlgItemMessageA(dialog, IDC_INTERVAL_SPIN, UDM_SETPOS, 0, g_settings.interval & 0xFFFF);
    for (int slot = 0; slot < kAccountSlots; slot++)
        if (g_settings.names[slot][0])
            SendDlgItemMessageA(dialog, IDC_ACCOUNT_LIST, LB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>(g_settings.names[slot]));
    SetDlgItemTextA(dialog, IDC_MAILER_PATH, g_settings.mailerPath);
    CheckDlgButton(dialog, IDC_CHECK_AT_STARTUP, g_settings.checkAtStartup);
    g_workTextColor = g_settings.msgTextColor;
    g_workFont = g_settings.msgFont;
    g_workBackColor = g_settings.msgBackColor;
    return 1;
}

static void onOk(HWND dialog) {
    char interval[3] = ""; // the first two characters
    GetDlgItemTextA(dialog, IDC_INTERVAL, interval, sizeof interval);
    if (int minutes = intervalFromText(interval)) {
        g_settings.interval = minutes;
        g_countdown = minutes;
    }
    g_settings.msgBackColor = g_workBackColor;
    g_settings.msgFont = g_workFont;
    g_settings.msgTextColor = g_workTextColor;
    char path[kPathSize] = "";
    GetDlgItemTextA(dialog, IDC_MAILER_PATH, path, sizeof path);
    memcpy(g_settings.mailerPath, path, sizeof path);
    g_settings.checkAtStartup = IsDlgButtonChecked(dialog, IDC_CHECK_AT_STARTUP) == BST_CHECKED;
    g_result = IDOK;
    closeDialog(dialog);
}

static void onWindowColor(HWND dialog) {
    CHOOSECOLORA choice = {};
    choice.lStructSize = sizeof choice;
    choice.hwndOwner = dialog;
    choice.rgbResult = g_workBackColor;
    choice.lpCustColors = g_customColors;
    choice.Flags = CC_RGBINIT;
    if (ChooseColorA(&choice))
        g_workBackColor = choice.rgbResult;
}

// The font dialog measures the font in pixels of the dialog's scale, the record at 96 DPI.
static void onFont(HWND dialog) {
    // The dialog works on a copy, so that a cancelled or failed choice leaves the font as it was.
    int dpi = windowDpi(dialog);
    LOGFONTA font = fontToPixels(g_workFont, dpi);
    CHOOSEFONTA choice = {};
    choice.lStructSize = sizeof choice;
    choice.hwndOwner = dialog;
    choice.lpLogFont = &font;
    choice.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS;
    choice.rgbColors = g_workTextColor;
    if (ChooseFontA(&choice)) {
        g_workFont = fontToUnits(font, dpi);
        g_workTextColor = choice.rgbColors;
    }
}

static void openAccountDialog(HWND dialog, int slot) {
    DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_ACCOUNT), dialog, accountDialogProc,
                    reinterpret_cast<LPARAM>(&slot));
}

static void onAddAccount(HWND dialog) {
    if (findAccount("") == -1) {
        showError(dialog, "アカウントは５個までです。");
        return;
    }
    openAccountDialog(dialog, -1);
}

// The selected list entry and its slot, or -1 after showing `noSelection` when nothing is selected
// or silently when the entry belongs to no account.
static int selectedSlot(HWND dialog, const char *noSelection, int *index, char (&name)[kPathSize]) {
    *index = static_cast<int>(SendDlgItemMessageA(dialog, IDC_ACCOUNT_LIST, LB_GETCURSEL, 0, 0));
    if (*index == LB_ERR) {
        showError(dialog, noSelection);
        return -1;
    }
    LRESULT length = SendDlgItemMessageA(dialog, IDC_ACCOUNT_LIST, LB_GETTEXTLEN, *index, 0);
    if (length < 0 || length >= kPathSize)
        return -1;
    SendDlgItemMessageA(dialog, IDC_ACCOUNT_LIST, LB_GETTEXT, *index,
                        reinterpret_cast<LPARAM>(name));
    return findAccount(name);
}

static void onEditAccount(HWND dialog) {
    int index;
    char name[kPathSize] = "";
    int slot = selectedSlot(dialog, "編集するアカウントを選択してください。", &index, name);
    if (slot != -1)
        openAccountDialog(dialog, slot);
}

static void onDeleteAccount(HWND dialog) {
    int index;
    char name[kPathSize] = "";
    int slot = selectedSlot(dialog, "削除するアカウントを選択してください。", &index, name);
    if (slot == -1)
        return;
    // The stored name, which always ends inside its 256-byte array.
    char question[kDeleteQuestionSize];
    wsprintfA(question, kDeleteQuestion, g_settings.names[slot]);
    if (MessageBoxA(dialog, question, VEMO_NAME, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    clearAccount(slot);
    forgetAccount(slot);
    SendDlgItemMessageA(dialog, IDC_ACCOUNT_LIST, LB_DELETESTRING, index, 0);
}

static void onBrowseMailer(HWND dialog) {
    char file[kPathSize] = "";
    OPENFILENAMEA choice = {};
    choice.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    choice.hwndOwner = dialog;
    choice.lpstrFilter = "プログラム(*.exe)\0*.exe\0すべてのファイル(*.*)\0*.*\0";
    choice.lpstrFile = file;
    choice.nMaxFile = sizeof file;
    choice.lpstrTitle = "起動メーラの指定";
    choice.Flags = OFN_FILEMUSTEXIST;
    choice.lpstrDefExt = "exe";
    if (GetOpenFileNameA(&choice))
        SetDlgItemTextA(dialog, IDC_MAILER_PATH, file);
}

static INT_PTR onCommand(HWND dialog, int command) {
    switch (command) {
    case IDOK:
        onOk(dialog);
        break;
    case IDCANCEL:
        closeDialog(dialog);
        break;
    case IDC_WINDOW_COLOR:
        onWindowColor(dialog);
        break;
    case IDC_FONT:
        onFont(dialog);
        break;
    case IDC_ADD_ACCOUNT:
        onAddAccount(dialog);
        break;
    case IDC_EDIT_ACCOUNT:
        onEditAccount(dialog);
        break;
    case IDC_DELETE_ACCOUNT:
        onDeleteAccount(dialog);
        break;
    case IDC_BROWSE_MAILER:
        onBrowseMailer(dialog);
        break;
    }
    return 1;
}

// The accounts changed here are saved before the dialog goes, so that they outlive a crash or a
// killed process; the other options reach the record only through OK, which also ends here.
static INT_PTR onClose(HWND dialog) {
    saveSettings(&g_settings);
    g_settingsDialog = NULL;
    EndDialog(dialog, g_result);
    return 1;
}

INT_PTR CALLBACK settingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog(dialog);
    case WM_COMMAND:
        return onCommand(dialog, LOWORD(wParam));
    case WM_CLOSE:
        return onClose(dialog);
    }
    return 0;
}
