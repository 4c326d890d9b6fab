// Fake USB for tests: a watcher whose devices the test plugs and unplugs, and a D2XX library whose
// devices queue bytes for reading and record every write and line setting.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/USB.h"

namespace platform::testing {

class TFakeUSBWatcher;

class TFakeUSBBus {
public:
    TFakeUSBBus();  // installs NewUSBWatcher
    ~TFakeUSBBus();
    void Plug(const TUSBDeviceId& AId);
    void Unplug(const TUSBDeviceId& AId);

    std::vector<TUSBDeviceId> Devices;
    TFakeUSBWatcher* Watcher = nullptr; // the one made last, while it lives
};

struct TFakeFTDevice {
    bool Present = true;
    int FailOpens = 0;        // the next opens that fail (busy elsewhere)
    uint32_t Handle = 0;      // non-zero while open
    std::vector<uint8_t> RxQueue;
    std::vector<std::vector<uint8_t>> Writes;
    uint32_t Baud = 0;
    std::vector<std::string> Calls; // line settings in call order
};

class TFakeD2XX : public ID2XXLibrary {
public:
    std::map<std::string, TFakeFTDevice>& Devices; // by serial number, owned by the test
    std::function<void()> OnOpenFailed;            // e.g. moves virtual time on
    explicit TFakeD2XX(std::map<std::string, TFakeFTDevice>& ADevices) : Devices(ADevices) {}

    FT_STATUS FT_OpenEx(const std::string& ASerial, uint32_t AFlags, uint32_t& AHandle) override;
    FT_STATUS FT_Close(uint32_t AHandle) override;
    FT_STATUS FT_Read(uint32_t AHandle, uint8_t* ABuffer, uint32_t ACount, uint32_t& ARead) override;
    FT_STATUS FT_Write(uint32_t AHandle, const uint8_t* ABuffer, uint32_t ACount, uint32_t& AWritten) override;
    FT_STATUS FT_GetQueueStatus(uint32_t AHandle, uint32_t& ACount) override;
    FT_STATUS FT_GetDeviceInfo(uint32_t AHandle, std::string& ADescription) override;
    FT_STATUS FT_SetBaudRate(uint32_t AHandle, uint32_t ABaud) override;
    FT_STATUS FT_SetDataCharacteristics(uint32_t AHandle, uint8_t ABits, uint8_t AStop, uint8_t AParity) override;
    FT_STATUS FT_SetFlowControl(uint32_t AHandle, uint16_t AFlow, uint8_t AXOn, uint8_t AXOff) override;
    FT_STATUS FT_SetDtr(uint32_t AHandle) override { return Line(AHandle, "SetDtr"); }
    FT_STATUS FT_ClrDtr(uint32_t AHandle) override { return Line(AHandle, "ClrDtr"); }
    FT_STATUS FT_SetRts(uint32_t AHandle) override { return Line(AHandle, "SetRts"); }
    FT_STATUS FT_ClrRts(uint32_t AHandle) override { return Line(AHandle, "ClrRts"); }
    FT_STATUS FT_ListDevices(uint32_t& ACount, uint32_t AFlags) override;

private:
    TFakeFTDevice* ByHandle(uint32_t AHandle);
    FT_STATUS Line(uint32_t AHandle, const std::string& ACall);
    uint32_t FNextHandle = 100;
};

// Installs LoadD2XXLibrary to hand out a TFakeD2XX over ADevices (or, with none, to fail loading).
void InstallFakeD2XX(std::map<std::string, TFakeFTDevice>* ADevices, std::function<void()> AOnOpenFailed = {});

} // namespace platform::testing
