#include "support/windows_support.h"

#include <wincrypt.h>

HWND waitForWindow(const char *className, const char *title, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    do {
        HWND window = FindWindowA(className, title);
        if (window && IsWindowVisible(window))
            return window;
        Sleep(20);
    } while (GetTickCount() - start < timeoutMs);
    return NULL;
}

std::string messageBoxText(HWND box) {
    char text[1024] = "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return text;
}

void pressOk(HWND box) {
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

std::string makeTempFolder(const char *tag) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    static unsigned counter;
    for (;;) {
        char folder[MAX_PATH];
        wsprintfA(folder, "%svemo-%s-%lu-%u\\", temp, tag, GetCurrentProcessId(), ++counter);
        if (CreateDirectoryA(folder, NULL))
            return folder;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return temp;
    }
}

void removeTempFolder(const std::string &folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileA((folder + found.cFileName).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

std::string testProgramFolder() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

bool trustCertificate(const char *derPath) {
    HANDLE file = CreateFileA(derPath, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    BYTE der[8192];
    DWORD length = 0;
    BOOL read = ReadFile(file, der, sizeof der, &length, NULL);
    CloseHandle(file);
    HCERTSTORE store =
        CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "Root");
    if (!store)
        return false;
    BOOL added = read && CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der, length,
                                                          CERT_STORE_ADD_REPLACE_EXISTING, NULL);
    CertCloseStore(store, 0);
    return added;
}

void *replaceImport(const char *dll, const char *name, void *replacement) {
    BYTE *base = reinterpret_cast<BYTE *>(GetModuleHandleA(NULL));
    IMAGE_NT_HEADERS *headers = reinterpret_cast<IMAGE_NT_HEADERS *>(
        base + reinterpret_cast<IMAGE_DOS_HEADER *>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY &imports =
        headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (IMAGE_IMPORT_DESCRIPTOR *module =
             reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + imports.VirtualAddress);
         module->Name; module++) {
        if (lstrcmpiA(reinterpret_cast<char *>(base + module->Name), dll) != 0)
            continue;
        IMAGE_THUNK_DATA *names =
            reinterpret_cast<IMAGE_THUNK_DATA *>(base + module->OriginalFirstThunk);
        IMAGE_THUNK_DATA *slots = reinterpret_cast<IMAGE_THUNK_DATA *>(base + module->FirstThunk);
        for (; names->u1.AddressOfData; names++, slots++) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            IMAGE_IMPORT_BY_NAME *import =
                reinterpret_cast<IMAGE_IMPORT_BY_NAME *>(base + names->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<char *>(import->Name), name) != 0)
                continue;
            ULONG_PTR *slot = reinterpret_cast<ULONG_PTR *>(&slots->u1.Function);
            DWORD protection;
            if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection))
                return NULL;
            void *previous = reinterpret_cast<void *>(*slot);
            *slot = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(slot, sizeof *slot, protection, &protection);
            return previous;
        }
    }
    return NULL;
}
