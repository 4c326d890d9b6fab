#include "ui/Intf.Progress.h"

namespace ui {

static IPtr<IProgressManager> NoProgressManager() {
    return {};
}
static bool NotInProgress() {
    return false;
}
static void NothingToFree() {}

IPtr<IProgressManager> (*GetProgressManager)() = NoProgressManager;
bool (*InProgress)() = NotInProgress;
void (*FreeProgressManager)() = NothingToFree;

} // namespace ui
