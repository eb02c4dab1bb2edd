// The placement rules of the notification window and the scaling of its measures.
#include "notify/placement.h"

#include <cstdint>

static const int32_t kResetWidth = 200;
static const int32_t kResetHeight = 60;
static const int32_t kParkingDistance = 1000;

static bool overlaps(const SettingsRect &rect, const SettingsRect &area) {
    return rect.left < area.right && rect.right > area.left && rect.top < area.bottom &&
           rect.bottom > area.top;
}

void pullOntoScreen(SettingsRect *rect, const SettingsRect *workAreas, int count, int dpi) {
    for (int i = 0; i < count; i++)
        if (overlaps(*rect, workAreas[i]))
            return;
    int32_t workRight = workAreas[0].right;
    int32_t workBottom = workAreas[0].bottom;
    int32_t width = scaled(kResetWidth, dpi);
    int32_t height = scaled(kResetHeight, dpi);
    if (rect->left <= 0 && rect->right <= 0) {
        rect->left = 0;
        rect->right = width;
    }
    if (rect->left >= workRight && rect->right >= workRight) {
        rect->right = workRight;
        rect->left = workRight - width;
    }
    if (rect->top <= 0 && rect->bottom <= 0) {
        rect->top = 0;
        rect->bottom = height;
    }
    if (rect->top >= workBottom && rect->bottom >= workBottom) {
        rect->bottom = workBottom;
        rect->top = workBottom - height;
    }
}

void fitToText(SettingsRect *rect, int32_t textHeight, int32_t frameHeight,
               const SettingsRect &workArea, int dpi) {
    int64_t wanted = static_cast<int64_t>(textHeight) + 2 * scaled(kTextMargin, dpi) + frameHeight;
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

static int32_t clamped(int64_t value) {
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

int32_t rectExtent(int32_t from, int32_t to) {
    return clamped(static_cast<int64_t>(to) - from);
}

// In double, which holds the product of any 32-bit value and a scale exactly: no 64-bit division,
// which the 32-bit build would take from a library of its own.
int32_t mulDiv(int32_t value, int32_t numerator, int32_t denominator) {
    double exact = static_cast<double>(value) * numerator / denominator;
    double rounded = exact < 0 ? exact - 0.5 : exact + 0.5;
    if (rounded >= INT32_MAX)
        return INT32_MAX;
    if (rounded <= INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(rounded);
}

// start + extent, wrapping around as the platform's coordinates would: only a damaged record goes
// that far.
static int32_t endOf(int32_t start, int32_t extent) {
    return static_cast<int32_t>(static_cast<uint32_t>(start) + static_cast<uint32_t>(extent));
}

// Every edge from the system's scale to the other; where the monitor has another scale, the width
// and height from its.
SettingsRect rescaledRect(const SettingsRect &rect, int systemFrom, int systemTo, int monitorFrom,
                          int monitorTo) {
    SettingsRect result = {
        mulDiv(rect.left, systemTo, systemFrom), mulDiv(rect.top, systemTo, systemFrom),
        mulDiv(rect.right, systemTo, systemFrom), mulDiv(rect.bottom, systemTo, systemFrom)};
    if (monitorFrom != systemFrom || monitorTo != systemTo) {
        result.right =
            endOf(result.left, mulDiv(rectExtent(rect.left, rect.right), monitorTo, monitorFrom));
        result.bottom =
            endOf(result.top, mulDiv(rectExtent(rect.top, rect.bottom), monitorTo, monitorFrom));
    }
    return result;
}

SettingsFont rescaledFont(const SettingsFont &font, int from, int to) {
    SettingsFont result = font;
    result.lfHeight = mulDiv(font.lfHeight, to, from);
    result.lfWidth = mulDiv(font.lfWidth, to, from);
    return result;
}
