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
        g_boxes.push_back({owner, text ? text : "", caption ? caption : "", type, GetTickCount()});
    }
    return g_realMessageBoxA(owner, text, caption, type);
}

} // namespace

bool installMessageBoxRecorder() {
    if (g_realMessageBoxA)
        return true;
    g_realMessageBoxA = reinterpret_cast<MessageBoxFunction>(replaceImport(
        "user32.dll", "MessageBoxA", reinterpret_cast<void *>(&recordingMessageBoxA)));
    return g_realMessageBoxA != NULL;
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
