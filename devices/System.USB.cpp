#include "devices/System.USB.h"

#include <algorithm>

#include "foundation/Exceptions.h"
#include "platform/USB.h"

namespace devices {

namespace {

struct TUSBModule {
    std::map<TUSBPair, TUSBPairInfo> Pairs;
    std::map<TUSBDevice*, std::unique_ptr<TUSBDevice>> Owned;
    std::vector<TUSBDeviceClass> Classes;
};

TUSBModule& Module() {
    static TUSBModule m;
    return m;
}

TUSBPairInfo& EnsurePair(TUSBPair APair) {
    auto& pairs = Module().Pairs;
    auto it = pairs.find(APair);
    if (it == pairs.end()) it = pairs.emplace(APair, TUSBPairInfo{APair, {}, {}}).first;
    return it->second;
}

TUSBDevice* Adopt(std::unique_ptr<TUSBDevice> ADevice) {
    TUSBDevice* raw = ADevice.get();
    if (raw) Module().Owned.emplace(raw, std::move(ADevice));
    return raw;
}

// Newest listener first; a copy, since a listener may register or leave while it is told.
void Report(TUSBPair APair, TUSBAction AAction, const TUSBDeviceInfo& AInfo) {
    auto it = Module().Pairs.find(APair);
    if (it == Module().Pairs.end()) return;
    std::vector<IUSBListener*> listeners = it->second.Listeners;
    for (auto l = listeners.rbegin(); l != listeners.rend(); ++l) {
        auto now = Module().Pairs.find(APair);
        if (now == Module().Pairs.end()) return;
        auto& current = now->second.Listeners;
        if (std::find(current.begin(), current.end(), *l) != current.end()) (*l)->DoUSBChanged(AAction, AInfo);
    }
}

void DropIfUnused(TUSBPair APair) {
    auto it = Module().Pairs.find(APair);
    if (it != Module().Pairs.end() && it->second.Listeners.empty() && it->second.DevicesInfo.empty())
        Module().Pairs.erase(it);
}

} // namespace

// ---- TUSBDevice

TUSBDevice::TUSBDevice(uint16_t AVID, uint16_t APID, const std::string& ASerialNumber)
    : FVID(AVID), FPID(APID), FSerialNumber(ASerialNumber) {}

std::unique_ptr<TUSBDevice> TUSBDevice::CreateFromUSB(uint16_t AVID, uint16_t APID, const std::string& ASerialNumber) {
    for (TUSBDeviceClass c : Module().Classes)
        if (c->VID == AVID && c->PID == APID) {
            std::unique_ptr<TUSBDevice> dev;
            try {
                dev = c->Create(AVID, APID, ASerialNumber);
            } catch (const foundation::Exception& e) {
                // A driver library that is missing must not end the program (this runs during the
                // enumeration at start); the device simply gets no device object. Said once.
                static bool told = false;
                if (!std::exchange(told, true)) platform::ShowMessage(e.Message());
                return nullptr;
            }
            if (!dev || !dev->IsOpened()) return nullptr;
            return dev;
        }
    return nullptr;
}

void TUSBDevice::DropToNextFrameStart(size_t AFrom) {
    auto next = FFrameStart < 0 ? FDataRead.end()
                                : std::find(FDataRead.begin() + ptrdiff_t(std::min(AFrom, FDataRead.size())),
                                            FDataRead.end(), uint8_t(FFrameStart));
    FDataRead.erase(FDataRead.begin(), next);
}

void TUSBDevice::DataReceived(const uint8_t* AData, size_t ACount) {
    if (!FOnReadData) return;
    FDataRead.insert(FDataRead.end(), AData, AData + ACount);
    for (;;) {
        if (FDataRead.empty()) return;
        // Garbage in front of a frame would never be consumed: skip it.
        if (FFrameStart >= 0 && FDataRead.front() != uint8_t(FFrameStart)) {
            DropToNextFrameStart(0);
            if (FDataRead.empty()) return;
        }
        int32_t read = 0;
        FOnReadData(this, FDataRead, read);
        if (read <= 0) break;
        FDataRead.erase(FDataRead.begin(), FDataRead.begin() + ptrdiff_t(std::min<size_t>(size_t(read), FDataRead.size())));
    }
    // A frame that never ends must not hold the buffer forever: give up on it, keep what may start
    // the next one, and never keep more than the cap.
    if (FDataRead.size() > MaxPendingBytes) {
        DropToNextFrameStart(1);
        if (FDataRead.size() > MaxPendingBytes)
            FDataRead.erase(FDataRead.begin(), FDataRead.end() - ptrdiff_t(MaxPendingBytes));
    }
}

// ---- TUSBHandler

const std::map<TUSBPair, TUSBPairInfo>& TUSBHandler::Pairs() { return Module().Pairs; }

void TUSBHandler::RegisterUSBListener(uint16_t AVID, uint16_t APID, IUSBListener* AListener) {
    TUSBPair pair{AVID, APID};
    TUSBPairInfo& info = EnsurePair(pair);
    if (std::find(info.Listeners.begin(), info.Listeners.end(), AListener) != info.Listeners.end()) return;
    info.Listeners.push_back(AListener);
    std::vector<TUSBDeviceInfo> known;
    for (auto& [serial, dev] : info.DevicesInfo) known.push_back(dev);
    for (auto& dev : known) AListener->DoUSBChanged(uaInserted, dev);
}

void TUSBHandler::UnregisterUSBListener(IUSBListener* AListener) {
    auto& pairs = Module().Pairs;
    for (auto it = pairs.begin(); it != pairs.end();) {
        std::erase(it->second.Listeners, AListener);
        if (it->second.Listeners.empty() && it->second.DevicesInfo.empty())
            it = pairs.erase(it);
        else
            ++it;
    }
}

TUSBDevice* TUSBHandler::getUSBDevices(int32_t Index) {
    if (Index < 0) return nullptr;
    for (auto& [pair, info] : Module().Pairs)
        for (auto& [serial, dev] : info.DevicesInfo)
            if (Index-- == 0) return dev.Device;
    return nullptr;
}

TUSBDevice* TUSBHandler::getUSBDevicesSN(const std::string& SerialNumber) {
    for (auto& [pair, info] : Module().Pairs)
        for (auto& [serial, dev] : info.DevicesInfo)
            if (serial == SerialNumber) return dev.Device;
    return nullptr;
}

void TUSBHandler::RegisterUSBDeviceClass(TUSBDeviceClass AClass) {
    auto& classes = Module().Classes;
    for (TUSBDeviceClass c : classes)
        if (c == AClass || (c->VID == AClass->VID && c->PID == AClass->PID)) return;
    classes.push_back(AClass);
    auto it = Module().Pairs.find(TUSBPair{AClass->VID, AClass->PID});
    if (it == Module().Pairs.end()) return;
    for (auto& [serial, dev] : it->second.DevicesInfo)
        if (!dev.Device) dev.Device = Adopt(TUSBDevice::CreateFromUSB(AClass->VID, AClass->PID, serial));
}

void TUSBHandler::DeviceArrived(uint16_t AVID, uint16_t APID, const std::string& ASerialNumber) {
    TUSBPair pair{AVID, APID};
    EnsurePair(pair);
    if (!Module().Pairs.at(pair).DevicesInfo.contains(ASerialNumber)) {
        TUSBDevice* dev = Adopt(TUSBDevice::CreateFromUSB(AVID, APID, ASerialNumber));
        // Opening may run the loop: look the pair up again.
        EnsurePair(pair).DevicesInfo.emplace(ASerialNumber, TUSBDeviceInfo{pair, ASerialNumber, dev});
    }
    TUSBDeviceInfo info = Module().Pairs.at(pair).DevicesInfo.at(ASerialNumber);
    Report(pair, uaInserted, info);
}

void TUSBHandler::DeviceRemoved(uint16_t AVID, uint16_t APID, const std::string& ASerialNumber) {
    TUSBPair pair{AVID, APID};
    auto p = Module().Pairs.find(pair);
    if (p == Module().Pairs.end()) return;
    auto d = p->second.DevicesInfo.find(ASerialNumber);
    if (d == p->second.DevicesInfo.end()) return;
    TUSBDeviceInfo info = d->second;
    if (info.Device) info.Device->DeviceRemoved();
    Report(pair, uaRemoved, info);
    p = Module().Pairs.find(pair);
    if (p != Module().Pairs.end()) p->second.DevicesInfo.erase(ASerialNumber);
    if (info.Device) Module().Owned.erase(info.Device);
    DropIfUnused(pair);
}

void InstallUSB() {
    FinalizeUSB();
    Module().Classes.clear();
}

void FinalizeUSB() {
    // Listeners hold device pointers: tell them first, so none outlives its device.
    TUSBHandler handler;
    while (!Module().Pairs.empty()) {
        auto& info = Module().Pairs.begin()->second;
        if (info.DevicesInfo.empty()) {
            Module().Pairs.erase(Module().Pairs.begin());
            continue;
        }
        auto& dev = info.DevicesInfo.begin()->second;
        TUSBPair pair = dev.Pair;
        handler.DeviceRemoved(pair.VID, pair.PID, dev.SerialNumber);
        auto p = Module().Pairs.find(pair);
        if (p != Module().Pairs.end() && p->second.DevicesInfo.empty()) Module().Pairs.erase(p);
    }
    Module().Owned.clear();
}

} // namespace devices
