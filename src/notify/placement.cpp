// The placement rules of the notification window.
#include "notify/placement.h"

#include <cstdint>

static const int32_t kResetWidth = 200;
static const int32_t kResetHeight = 60;
static const int32_t kParkingDistance = 1000;

static bool overlaps(const SettingsRect &rect, const SettingsRect &area) {
    return rect.left < area.right && rect.right > area.left && rect.top < area.bottom &&
           rect.bottom > area.top;
}

void pullOntoScreen(SettingsRect *rect, const SettingsRect *workAreas, int count) {
    for (int i = 0; i < count; i++)
        if (overlaps(*rect, workAreas[i]))
            return;
    int32_t workRight = workAreas[0].right;
    int32_t workBottom = workAreas[0].bottom;
    if (rect->left <= 0 && rect->right <= 0) {
        rect->left = 0;
        rect->right = kResetWidth;
    }
    if (rect->left >= workRight && rect->right >= workRight) {
        rect->right = workRight;
        rect->left = workRight - kResetWidth;
    }
    if (rect->top <= 0 && rect->bottom <= 0) {
        rect->top = 0;
        rect->bottom = kResetHeight;
    }
    if (rect->top >= workBottom && rect->bottom >= workBottom) {
        rect->bottom = workBottom;
        rect->top = workBottom - kResetHeight;
    }
}

void fitToText(SettingsRect *rect, int32_t textHeight, int32_t frameHeight,
               const SettingsRect &workArea) {
    int64_t wanted = static_cast<int64_t>(textHeight) + 2 * kTextMargin + frameHeight;
    int32_t limit = rectExtent(workArea.top, workArea.bottom);
    int32_t height = wanted < limit ? static_cast<int32_t>(wanted) : limit;
    if (rectExtent(rect->top, rect->bottom) >= height)
        return;
    if (static_cast<int64_t>(rect->top) + height > workArea.bottom) {
        rect->bottom = workArea.bottom;
        rect->top = workArea.bottom - height;
    } else {
        rect->bottom = rect->top + height;
    }
}

int32_t parkingPosition(int32_t virtualStart) {
    return virtualStart < 0 ? virtualStart - kParkingDistance : -kParkingDistance;
}

int32_t rectExtent(int32_t from, int32_t to) {
    int64_t extent = static_cast<int64_t>(to) - from;
    if (extent > INT32_MAX)
        return INT32_MAX;
    if (extent < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(extent);
}
