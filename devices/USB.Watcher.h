// The handler that the platform's USB watcher drives: present devices at start, then every arrival
// and removal. Also decodes the device-interface names that a Windows watcher receives.
#pragma once

#include <memory>
#include <optional>

#include "devices/System.USB.h"
#include "platform/USB.h"

namespace devices {

class TPlatformUSBHandler : public TUSBHandler {
public:
    explicit TPlatformUSBHandler(std::unique_ptr<platform::IUSBWatcher> AWatcher);
    void Enumerate() override;

private:
    std::unique_ptr<platform::IUSBWatcher> FWatcher;
};

// "\\?\USB#VID_vvvv&PID_pppp#serial#{class}": vendor, product and serial; none when malformed.
std::optional<platform::TUSBDeviceId> DecodeUSBInterfaceName(const std::string& AName);

// Creates the handler over platform::NewUSBWatcher (nothing when no backend is installed); its
// enumeration reports the devices present now. StopUSBWatcher destroys it.
void StartUSBWatcher();
void StopUSBWatcher();

} // namespace devices
