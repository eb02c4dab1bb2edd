#include "support/message_boxes.h"

#include "support/windows_support.h"

#include <gtest/gtest.h>

#include <mutex>

namespace {

typedef int(WINAPI *MessageBoxFunction)(HWND, LPCSTR, LPCSTR, UINT);

MessageBoxFunction g_realMessageBoxA;
std::mutex g_mutex;
std::vector<RecordedBox> g_boxes;

int WINAPI recordingMessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_boxes.push_back({owner, text ? text : "", caption ? caption : "", type});
    }
    return g_realMessageBoxA(owner, text, caption, type);
}

// The import address table slot through which this program calls dll!name, or NULL.
ULONG_PTR *importSlot(const char *dll, const char *name) {
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
            if (lstrcmpA(reinterpret_cast<char *>(import->Name), name) == 0)
                return reinterpret_cast<ULONG_PTR *>(&slots->u1.Function);
        }
    }
    return NULL;
}

} // namespace

bool installMessageBoxRecorder() {
    if (g_realMessageBoxA)
        return true;
    ULONG_PTR *slot = importSlot("user32.dll", "MessageBoxA");
    if (!slot)
        return false;
    DWORD protection;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection))
        return false;
    g_realMessageBoxA = reinterpret_cast<MessageBoxFunction>(*slot);
    *slot = reinterpret_cast<ULONG_PTR>(&recordingMessageBoxA);
    VirtualProtect(slot, sizeof *slot, protection, &protection);
    return true;
}

std::vector<RecordedBox> recordedBoxes() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_boxes;
}

void clearRecordedBoxes() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_boxes.clear();
}

BoxWatcher::BoxWatcher(HWND notify, UINT message)
    : notify_(notify), message_(message), thread_(&BoxWatcher::run, this) {}

BoxWatcher::~BoxWatcher() {
    stop();
}

std::vector<std::string> BoxWatcher::stop() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    return texts_;
}

void BoxWatcher::run() {
    while (!stop_) {
        HWND box = waitForWindow("#32770", "vemo", 50);
        if (!box)
            continue;
        texts_.push_back(messageBoxText(box));
        if (notify_)
            PostMessageA(notify_, message_, 0, 0);
        pressOk(box);
        for (int i = 0; i < 250 && IsWindow(box); i++)
            Sleep(20);
    }
}

void expectOneErrorBox(const std::vector<RecordedBox> &boxes, const std::vector<std::string> &shown,
                       const std::string &text, HWND owner) {
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, text);
    EXPECT_EQ(boxes[0].caption, "vemo");
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(boxes[0].owner, owner);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], text);
}
