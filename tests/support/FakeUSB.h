// USB test helpers: a listener that logs what it hears, and a device class of our own whose
// opening, removal and received bytes the test controls.
#pragma once

#include <string>
#include <vector>

#include "devices/System.USB.h"

namespace testsupport {

using namespace devices;

class TLogListener : public foundation::TIaAObject, public virtual IUSBListener {
public:
    TLogListener(std::vector<std::string>& ALog, std::string AName) : Log(ALog), Name(std::move(AName)) {}
    foundation::HRESULT QueryOwnInterface(const foundation::TGUID& IID, void** Obj) override {
        if (foundation::OfferInterface<IUSBListener>(this, IID, Obj)) return foundation::S_OK;
        return TIaAObject::QueryOwnInterface(IID, Obj);
    }
    void DoUSBChanged(TUSBAction AAction, const TUSBDeviceInfo& AInfo) override {
        Log.push_back(Name + (AAction == uaInserted ? ":in:" : ":out:") + AInfo.SerialNumber +
                      (AInfo.Device ? "+dev" : ""));
    }
    std::vector<std::string>& Log;
    std::string Name;
};

inline foundation::IPtr<IUSBListener> NewLogListener(std::vector<std::string>& ALog, std::string AName) {
    return foundation::IPtr<IUSBListener>(foundation::Make<TLogListener>(ALog, std::move(AName)));
}

class TTestUSBDev : public TUSBDevice {
public:
    static uint16_t ClassVID() { return 0x1234; }
    static uint16_t ClassPID() { return 0x0001; }
    static inline bool OpensOK = true;
    static inline std::vector<std::string>* Log = nullptr;

    TTestUSBDev(uint16_t AVID, uint16_t APID, const std::string& ASerial) : TUSBDevice(AVID, APID, ASerial) {}
    ~TTestUSBDev() override {
        if (Log) Log->push_back("destroyed:" + SerialNumber());
    }
    bool IsOpened() override { return Opened; }
    void DeviceRemoved() override {
        if (Log) Log->push_back("hook:" + SerialNumber());
    }
    void WriteData(const uint8_t* ABuffer, int32_t ADataCount) override { Writes.emplace_back(ABuffer, ABuffer + ADataCount); }
    void Feed(const TBytes& AData) { DataReceived(AData.data(), AData.size()); }

    bool Opened = OpensOK;
    std::vector<TBytes> Writes;
};

} // namespace testsupport
