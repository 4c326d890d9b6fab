// DMX output to a USB-DMX adapter: the whole universe goes out as one send-DMX frame (label 6 of
// the widget message format) whenever something changes.
#pragma once

#include <array>

#include "devices/System.USB.h"
#include "dmx/Intf.DMX.h"

namespace dmx {

inline constexpr size_t EntekFrameSize = 518;
inline constexpr uint32_t EntekBaudRate = 500000;

class TEntekServer {
public:
    explicit TEntekServer(devices::TUSBDevice* ADevice) : FDevice(ADevice) {}

    uint8_t getChannel(int32_t Index) const;
    void setChannel(int32_t Index, uint8_t Value);
    uint8_t Master() const { return FMaster; }
    void SetMaster(uint8_t Value);
    bool BlackOut() const { return FBlackOut; }
    void SetBlackOut(bool Value);
    void BeginUpdate() { ++FUpdating; }
    void EndUpdate();

    std::array<uint8_t, EntekFrameSize> Frame() const;

private:
    void WriteFrame();
    devices::TUSBDeviceRef FDevice; // owned by the USB registry; none once it is unplugged
    std::array<uint8_t, DMXChannels> FChannels{};
    uint8_t FMaster = 255;
    bool FBlackOut = false;
    int32_t FUpdating = 0;
};

// Set by InstallDMXUSBEntekDelegate(): the delegate as a part of AController, writing to ADevice.
extern IPtr<IDMXInterfaceDelegate> (*NewDMXUSBEntekDelegate)(IInterface* AController, devices::TUSBDevice* ADevice);
void InstallDMXUSBEntekDelegate();

} // namespace dmx
