#include "platform/Clipboard.h"

#include <stdexcept>

namespace platform {

namespace {
IClipboard* Current = nullptr;
}

void SetClipboard(IClipboard* Clipboard) {
    Current = Clipboard;
}

IClipboard& Clipboard() {
    if (!Current) throw std::runtime_error("No clipboard is available");
    return *Current;
}

} // namespace platform
