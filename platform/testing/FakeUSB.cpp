#include "platform/testing/FakeUSB.h"

#include <algorithm>

namespace platform::testing {

class TFakeUSBWatcher : public IUSBWatcher {
public:
    explicit TFakeUSBWatcher(TFakeUSBBus& ABus) : Bus(ABus) { Bus.Watcher = this; }
    ~TFakeUSBWatcher() override {
        if (Bus.Watcher == this) Bus.Watcher = nullptr;
    }
    std::vector<TUSBDeviceId> Present() override { return Bus.Devices; }
    TFakeUSBBus& Bus;
};

static TFakeUSBBus* gBus = nullptr;

TFakeUSBBus::TFakeUSBBus() {
    gBus = this;
    NewUSBWatcher = []() -> std::unique_ptr<IUSBWatcher> { return std::make_unique<TFakeUSBWatcher>(*gBus); };
}

TFakeUSBBus::~TFakeUSBBus() {
    gBus = nullptr;
    NewUSBWatcher = []() -> std::unique_ptr<IUSBWatcher> { return nullptr; };
}

void TFakeUSBBus::Plug(const TUSBDeviceId& AId) {
    Devices.push_back(AId);
    if (Watcher && Watcher->OnChange) Watcher->OnChange(true, AId);
}

void TFakeUSBBus::Unplug(const TUSBDeviceId& AId) {
    std::erase(Devices, AId);
    if (Watcher && Watcher->OnChange) Watcher->OnChange(false, AId);
}

TFakeFTDevice* TFakeD2XX::ByHandle(uint32_t AHandle) {
    for (auto& [serial, dev] : Devices)
        if (AHandle != 0 && dev.Handle == AHandle) return dev.Present ? &dev : nullptr;
    return nullptr;
}

FT_STATUS TFakeD2XX::FT_OpenEx(const std::string& ASerial, uint32_t AFlags, uint32_t& AHandle) {
    auto it = Devices.find(ASerial);
    if (AFlags != FT_OPEN_BY_SERIAL_NUMBER || it == Devices.end() || !it->second.Present || it->second.Handle ||
        it->second.FailOpens > 0) {
        if (it != Devices.end() && it->second.FailOpens > 0) --it->second.FailOpens;
        if (OnOpenFailed) OnOpenFailed();
        return FT_DEVICE_NOT_OPENED;
    }
    AHandle = it->second.Handle = FNextHandle++;
    return FT_OK;
}

FT_STATUS TFakeD2XX::FT_Close(uint32_t AHandle) {
    for (auto& [serial, dev] : Devices)
        if (AHandle != 0 && dev.Handle == AHandle) {
            dev.Handle = 0;
            return FT_OK;
        }
    return FT_INVALID_HANDLE;
}

FT_STATUS TFakeD2XX::FT_Read(uint32_t AHandle, uint8_t* ABuffer, uint32_t ACount, uint32_t& ARead) {
    auto* dev = ByHandle(AHandle);
    if (!dev) return FT_INVALID_HANDLE;
    ARead = std::min<uint32_t>(ACount, uint32_t(dev->RxQueue.size()));
    std::copy_n(dev->RxQueue.begin(), ARead, ABuffer);
    dev->RxQueue.erase(dev->RxQueue.begin(), dev->RxQueue.begin() + ARead);
    return FT_OK;
}

FT_STATUS TFakeD2XX::FT_Write(uint32_t AHandle, const uint8_t* ABuffer, uint32_t ACount, uint32_t& AWritten) {
    auto* dev = ByHandle(AHandle);
    if (!dev) return FT_INVALID_HANDLE;
    dev->Writes.emplace_back(ABuffer, ABuffer + ACount);
    AWritten = ACount;
    return FT_OK;
}

FT_STATUS TFakeD2XX::FT_GetQueueStatus(uint32_t AHandle, uint32_t& ACount) {
    auto* dev = ByHandle(AHandle);
    if (!dev) return FT_INVALID_HANDLE;
    ACount = uint32_t(dev->RxQueue.size());
    return FT_OK;
}

FT_STATUS TFakeD2XX::FT_GetDeviceInfo(uint32_t AHandle, std::string& ADescription) {
    if (!ByHandle(AHandle)) return FT_INVALID_HANDLE;
    ADescription = "FT232R USB UART";
    return FT_OK;
}

FT_STATUS TFakeD2XX::FT_SetBaudRate(uint32_t AHandle, uint32_t ABaud) {
    auto* dev = ByHandle(AHandle);
    if (!dev) return FT_INVALID_HANDLE;
    dev->Baud = ABaud;
    dev->Calls.push_back("SetBaudRate(" + std::to_string(ABaud) + ")");
    return FT_OK;
}

FT_STATUS TFakeD2XX::FT_SetDataCharacteristics(uint32_t AHandle, uint8_t ABits, uint8_t AStop, uint8_t AParity) {
    return Line(AHandle, "SetDataCharacteristics(" + std::to_string(ABits) + "," + std::to_string(AStop) + "," +
                             std::to_string(AParity) + ")");
}

FT_STATUS TFakeD2XX::FT_SetFlowControl(uint32_t AHandle, uint16_t AFlow, uint8_t AXOn, uint8_t AXOff) {
    return Line(AHandle, "SetFlowControl(" + std::to_string(AFlow) + "," + std::to_string(AXOn) + "," +
                             std::to_string(AXOff) + ")");
}

FT_STATUS TFakeD2XX::Line(uint32_t AHandle, const std::string& ACall) {
    auto* dev = ByHandle(AHandle);
    if (!dev) return FT_INVALID_HANDLE;
    dev->Calls.push_back(ACall);
    return FT_OK;
}

FT_STATUS TFakeD2XX::FT_ListDevices(uint32_t& ACount, uint32_t AFlags) {
    if (AFlags != FT_LIST_NUMBER_ONLY) return FT_IO_ERROR;
    ACount = uint32_t(std::count_if(Devices.begin(), Devices.end(), [](auto& d) { return d.second.Present; }));
    return FT_OK;
}

static std::map<std::string, TFakeFTDevice>* gDevices = nullptr;
static std::function<void()> gOnOpenFailed;

void InstallFakeD2XX(std::map<std::string, TFakeFTDevice>* ADevices, std::function<void()> AOnOpenFailed) {
    gDevices = ADevices;
    gOnOpenFailed = std::move(AOnOpenFailed);
    LoadD2XXLibrary = []() -> std::unique_ptr<ID2XXLibrary> {
        if (!gDevices) return nullptr;
        auto lib = std::make_unique<TFakeD2XX>(*gDevices);
        lib->OnOpenFailed = gOnOpenFailed;
        return lib;
    };
}

} // namespace platform::testing
