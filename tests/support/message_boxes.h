// Message boxes of the code under test: what each was asked to look like, and a watcher that reads
// and answers them from another thread while the tested call waits in them.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

struct RecordedBox {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
    DWORD askedAt; // GetTickCount when it was asked for
};

// Points the program's import of user32!MessageBoxA at the recorder; false if it is not found.
bool installMessageBoxRecorder();

// The calls recorded since the last clearRecordedBoxes.
std::vector<RecordedBox> recordedBoxes();
void clearRecordedBoxes();

// Expects exactly one error box owned by `owner`, asked for with `text` and caption "vemo", and
// that the box on the screen showed exactly that text (`shown`, as a BoxWatcher read it).
void expectOneErrorBox(const std::vector<RecordedBox> &boxes, const std::vector<std::string> &shown,
                       const std::string &text, HWND owner);

// Presses OK on every message box captioned "vemo" that appears while it runs, after reading the
// text it shows. When `notify` is given, it first posts `message` to that window, which the box's
// modal loop then dispatches: the way a close request reaches a program that is showing a box.
class BoxWatcher {
  public:
    explicit BoxWatcher(HWND notify = NULL, UINT message = 0);
    ~BoxWatcher();
    // Stops watching and gives the texts seen, in order.
    std::vector<std::string> stop();

  private:
    void run();

    HWND notify_;
    UINT message_;
    std::vector<std::string> texts_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
