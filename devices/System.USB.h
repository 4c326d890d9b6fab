// The USB registry: which devices of which vendor/product pairs are attached, who listens for them,
// and which device classes open them. Platform watchers feed it through a TUSBHandler.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "foundation/IntfClasses.h"
#include "foundation/Streams.h"

namespace devices {

using foundation::IInterface;
using foundation::TBytes;
using namespace foundation::literals;

enum TUSBAction { uaInserted, uaRemoved };

struct TUSBPair {
    uint16_t VID = 0, PID = 0;
    friend auto operator<=>(const TUSBPair&, const TUSBPair&) = default;
};

class TUSBDevice;

struct TUSBDeviceInfo {
    TUSBPair Pair;
    std::string SerialNumber;
    TUSBDevice* Device = nullptr; // owned by the registry; none when no class drives it or it did not open
};

struct IUSBListener : virtual IInterface {
    static constexpr foundation::TGUID IID = "{F7BBEB91-9AF9-4F64-8991-C0A9B7DDBF42}"_guid;
    virtual void DoUSBChanged(TUSBAction AAction, const TUSBDeviceInfo& AInfo) = 0;
};

struct TUSBPairInfo {
    TUSBPair Pair;
    std::vector<IUSBListener*> Listeners; // uncounted, in registration order
    std::map<std::string, TUSBDeviceInfo> DevicesInfo;
};

// OnReadData consumes from the front of Data and says how much through DataRead.
using TUSBReadData = std::function<void(TUSBDevice* Sender, const TBytes& Data, int32_t& DataRead)>;

// A device class: its identification and its constructor.
struct TUSBDeviceClassRec {
    uint16_t VID, PID;
    std::unique_ptr<TUSBDevice> (*Create)(uint16_t AVID, uint16_t APID, const std::string& ASerialNumber);
};
using TUSBDeviceClass = const TUSBDeviceClassRec*;

// For users that may outlive the device object, which the registry destroys when the device is
// unplugged (an output still held by a window): it turns to none when the object is destroyed.
class TUSBDeviceRef {
public:
    TUSBDeviceRef() = default;
    explicit TUSBDeviceRef(TUSBDevice* ADevice);
    TUSBDevice* get() const {
        auto alive = FAlive.lock();
        return alive ? *alive : nullptr;
    }

private:
    std::weak_ptr<TUSBDevice* const> FAlive;
};

class TUSBDevice {
public:
    TUSBDevice(uint16_t AVID, uint16_t APID, const std::string& ASerialNumber);
    virtual ~TUSBDevice() = default;
    TUSBDevice(const TUSBDevice&) = delete;
    TUSBDevice& operator=(const TUSBDevice&) = delete;

    uint16_t VID() const { return FVID; }
    uint16_t PID() const { return FPID; }
    const std::string& SerialNumber() const { return FSerialNumber; }
    const TUSBReadData& OnReadData() const { return FOnReadData; }
    void SetOnReadData(TUSBReadData Value) { FOnReadData = std::move(Value); }

    virtual void DeviceRemoved() {}
    virtual void WriteData(const uint8_t* ABuffer, int32_t ADataCount) { (void)ABuffer, (void)ADataCount; }
    virtual bool IsOpened() { return false; }
    void WriteBytes(const TBytes& Data) { WriteData(Data.data(), int32_t(Data.size())); }

    // A reader whose frames begin with one marker byte names it, so that bytes which can never
    // begin a frame are dropped instead of blocking every later frame.
    void SetFrameStart(int AByte) { FFrameStart = AByte; }
    size_t PendingBytes() const { return FDataRead.size(); }

    // Never more unconsumed bytes than this are kept.
    static constexpr size_t MaxPendingBytes = 64 * 1024;

    // First listed class with that identification, opened; none when none matches or it did not open.
    static std::unique_ptr<TUSBDevice> CreateFromUSB(uint16_t AVID, uint16_t APID, const std::string& ASerialNumber);

protected:
    // Received bytes, from a subclass that read them.
    void DataReceived(const uint8_t* AData, size_t ACount);

private:
    void DropToNextFrameStart(size_t AFrom);
    uint16_t FVID, FPID;
    std::string FSerialNumber;
    TUSBReadData FOnReadData;
    TBytes FDataRead;
    int FFrameStart = -1;
    friend class TUSBDeviceRef;
    const std::shared_ptr<TUSBDevice* const> FAlive = std::make_shared<TUSBDevice* const>(this);
};

inline TUSBDeviceRef::TUSBDeviceRef(TUSBDevice* ADevice) {
    if (ADevice) FAlive = ADevice->FAlive;
}

// The registry's class-level operations and the handler that a platform watcher drives.
class TUSBHandler {
public:
    virtual ~TUSBHandler() = default;

    static void RegisterUSBListener(uint16_t AVID, uint16_t APID, IUSBListener* AListener);
    static void UnregisterUSBListener(IUSBListener* AListener);
    static TUSBDevice* getUSBDevices(int32_t Index);
    static TUSBDevice* getUSBDevicesSN(const std::string& SerialNumber);
    static void RegisterUSBDeviceClass(TUSBDeviceClass AClass);
    static const std::map<TUSBPair, TUSBPairInfo>& Pairs();

    virtual void Enumerate() {}
    virtual void DeviceArrived(uint16_t AVID, uint16_t APID, const std::string& ASerialNumber);
    virtual void DeviceRemoved(uint16_t AVID, uint16_t APID, const std::string& ASerialNumber);
};

template <class T> TUSBDeviceClass USBDeviceClassOf() {
    static const TUSBDeviceClassRec rec{T::ClassVID(), T::ClassPID(),
                                        [](uint16_t v, uint16_t p, const std::string& s) -> std::unique_ptr<TUSBDevice> {
                                            return std::make_unique<T>(v, p, s);
                                        }};
    return &rec;
}

// Start-up: the empty table and class list. Shut-down: every known device is reported removed
// to its listeners and destroyed, then the table goes.
void InstallUSB();
void FinalizeUSB();

} // namespace devices
