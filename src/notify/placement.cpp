#include "notify/placement.h"

static const int32_t kResetWidth = 200;
static const int32_t kResetHeight = 60;

void pullOntoScreen(SettingsRect *rect, int32_t workRight, int32_t workBottom) {
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
