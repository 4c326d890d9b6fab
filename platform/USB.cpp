#include "platform/USB.h"

#include <cstdio>

namespace platform {

static std::unique_ptr<IUSBWatcher> NoWatcher() { return nullptr; }
static std::unique_ptr<ID2XXLibrary> NoLibrary() { return nullptr; }

std::unique_ptr<IUSBWatcher> (*NewUSBWatcher)() = NoWatcher;
std::unique_ptr<ID2XXLibrary> (*LoadD2XXLibrary)() = NoLibrary;
std::function<void(const std::string&)> ShowMessage = [](const std::string& AText) {
    std::fprintf(stderr, "%s\n", AText.c_str());
};

} // namespace platform
