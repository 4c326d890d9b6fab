// The seams to the operating system's USB: the watcher that reports present, arriving and leaving
// devices, and the D2XX-shaped access to FTDI serial converters. Backends: platform/posix (libudev,
// libftdi1), platform/testing (fakes).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

struct TUSBDeviceId {
    uint16_t VID = 0, PID = 0;
    std::string SerialNumber;
    friend bool operator==(const TUSBDeviceId&, const TUSBDeviceId&) = default;
};

// Reports devices on the main thread. Present() lists what is attached now; OnChange reports every
// later arrival (true) and removal (false).
class IUSBWatcher {
public:
    virtual ~IUSBWatcher() = default;
    virtual std::vector<TUSBDeviceId> Present() = 0;
    std::function<void(bool AArrived, const TUSBDeviceId& AId)> OnChange;
};

// Set by the backend's installer; none when no backend is installed.
extern std::unique_ptr<IUSBWatcher> (*NewUSBWatcher)();

// The D2XX calls the FTDI driver relies on. Status 0 is success; handles are never 0.
using FT_STATUS = uint32_t;
inline constexpr FT_STATUS FT_OK = 0;
inline constexpr FT_STATUS FT_INVALID_HANDLE = 1;
inline constexpr FT_STATUS FT_DEVICE_NOT_FOUND = 2;
inline constexpr FT_STATUS FT_DEVICE_NOT_OPENED = 3;
inline constexpr FT_STATUS FT_IO_ERROR = 4;
inline constexpr uint32_t FT_OPEN_BY_SERIAL_NUMBER = 1;
inline constexpr uint32_t FT_LIST_NUMBER_ONLY = 0x80000000u;
inline constexpr uint16_t FT_FLOW_NONE = 0x0000, FT_FLOW_RTS_CTS = 0x0100, FT_FLOW_DTR_DSR = 0x0200,
                          FT_FLOW_XON_XOFF = 0x0400;

class ID2XXLibrary {
public:
    virtual ~ID2XXLibrary() = default;
    virtual FT_STATUS FT_OpenEx(const std::string& ASerial, uint32_t AFlags, uint32_t& AHandle) = 0;
    virtual FT_STATUS FT_Close(uint32_t AHandle) = 0;
    virtual FT_STATUS FT_Read(uint32_t AHandle, uint8_t* ABuffer, uint32_t ACount, uint32_t& ARead) = 0;
    virtual FT_STATUS FT_Write(uint32_t AHandle, const uint8_t* ABuffer, uint32_t ACount, uint32_t& AWritten) = 0;
    virtual FT_STATUS FT_GetQueueStatus(uint32_t AHandle, uint32_t& ACount) = 0;
    virtual FT_STATUS FT_GetDeviceInfo(uint32_t AHandle, std::string& ADescription) = 0;
    virtual FT_STATUS FT_SetBaudRate(uint32_t AHandle, uint32_t ABaud) = 0;
    virtual FT_STATUS FT_SetDataCharacteristics(uint32_t AHandle, uint8_t ABits, uint8_t AStop, uint8_t AParity) = 0;
    virtual FT_STATUS FT_SetFlowControl(uint32_t AHandle, uint16_t AFlow, uint8_t AXOn, uint8_t AXOff) = 0;
    virtual FT_STATUS FT_SetDtr(uint32_t AHandle) = 0;
    virtual FT_STATUS FT_ClrDtr(uint32_t AHandle) = 0;
    virtual FT_STATUS FT_SetRts(uint32_t AHandle) = 0;
    virtual FT_STATUS FT_ClrRts(uint32_t AHandle) = 0;
    virtual FT_STATUS FT_ListDevices(uint32_t& ACount, uint32_t AFlags) = 0;
};

// Loads the library by name; none when it (or one of its entry points) is missing.
extern std::unique_ptr<ID2XXLibrary> (*LoadD2XXLibrary)();

// A message box with an OK button; the programs install their window's, the default writes to stderr.
extern std::function<void(const std::string& AText)> ShowMessage;

} // namespace platform
