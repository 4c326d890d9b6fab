// The PX-10 USB-DMX adapter model: while an FT232R adapter is plugged in, a DMX output named after
// its serial number exists in the output registry.
#pragma once

#include <map>

#include "devices/System.USB.h"
#include "dmx/Intf.DMX.h"

namespace lightdevices {

using dmx::IDMXInterface;
using dmx::IDMXInterfaceDelegate;
using foundation::IPtr;

inline constexpr uint16_t PX10VID = 1027, PX10PID = 24577;

class TQV_PX10 : public foundation::TIaAObject,
                 public virtual dmx::IDMXNamedInterfaceDelegate,
                 public virtual dmx::IDMXNamedInterface {
public:
    explicit TQV_PX10(devices::TUSBDevice* AUSB);

    foundation::HRESULT QueryOwnInterface(const foundation::TGUID& IID, void** Obj) override;
    std::string GetName() override { return "PX-10 (" + FSerialNumber + ")"; }
    void SetName(const std::string&) override {}
    std::string GetHardwareID() override { return FSerialNumber; }
    IDMXInterface* DMXInterface() const { return FDMXInterface; }

private:
    const std::string FSerialNumber; // the model may outlive the device object
    // Parts of this object: counting them would count ourselves.
    IDMXInterface* FDMXInterface = nullptr;
    IDMXInterfaceDelegate* FDMXInterfaceDelegate = nullptr;
};

class TPX10Listener : public foundation::TIaAObject, public virtual devices::IUSBListener {
public:
    foundation::HRESULT QueryOwnInterface(const foundation::TGUID& IID, void** Obj) override;
    void DoUSBChanged(devices::TUSBAction Action, const devices::TUSBDeviceInfo& Device) override;
    size_t Count() const { return FInterfaces.size(); }

private:
    std::map<devices::TUSBDevice*, IPtr<IDMXInterface>> FInterfaces; // the only counted references to the models
};

// Start-up: one listener for the adapter's ids, kept until FinalizePX10, which removes every model.
void InstallPX10();
void FinalizePX10();
TPX10Listener* PX10Listener();

} // namespace lightdevices
