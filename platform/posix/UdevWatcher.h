// The Linux USB watcher over libudev: the USB devices present at start, then arrivals and
// removals from the udev monitor, polled on a main-thread timer.
#pragma once

namespace platform::posix {

// Sets platform::NewUSBWatcher to the libudev watcher.
void InstallUdevWatcher();

} // namespace platform::posix
