// The FTDI FT232R driver (TFTD2XXDev) and its binding to the D2XX-shaped library, loaded by name
// at start; a missing library leaves the program running and every call raising.
#pragma once

#include <memory>

#include "devices/System.USB.h"
#include "foundation/Events.h"
#include "platform/Loop.h"
#include "platform/USB.h"

namespace devices {

inline constexpr const char* D2XXMissingText = "Read FFT_D2XX library when not found!";
inline constexpr const char* D2XXOpenFailedText =
    "Unable to open device. Maybe you are running multiple instances of the application?";

class TFTD2XX_DLL {
public:
    static void Load();
    static void Release();
    static bool Loaded();
    // The library; raises D2XXMissingText when it is not loaded.
    static platform::ID2XXLibrary& Lib();
    static int32_t GetFTDeviceCount();
};

class TFTD2XXDev : public TUSBDevice {
public:
    static constexpr uint16_t ClassVID() { return 0x0403; }
    static constexpr uint16_t ClassPID() { return 0x6001; }

    TFTD2XXDev(uint16_t AVID, uint16_t APID, const std::string& ASerialNumber);
    ~TFTD2XXDev() override;

    void DeviceRemoved() override;
    void WriteData(const uint8_t* ABuffer, int32_t ADataCount) override;
    bool IsOpened() override { return FFT_Handle != 0; }

    uint32_t FT_Handle() const { return FFT_Handle; }
    const std::string& FT_SerialNumber() const { return FFT_SerialNumber; }
    void SetFT_SerialNumber(const std::string& Value);
    const std::string& FT_Description() const { return FFT_Description; }
    uint32_t FT_BaudRate() const { return FFT_BaudRate; }
    void SetFT_BaudRate(uint32_t Value);
    uint8_t FT_DataBits() const { return FFT_DataBits; }
    void SetFT_DataBits(uint8_t Value);
    uint8_t FT_StopBits() const { return FFT_StopBits; }
    void SetFT_StopBits(uint8_t Value);
    uint8_t FT_Parity() const { return FFT_Parity; }
    void SetFT_Parity(uint8_t Value);
    uint16_t FT_FlowControl() const { return FFT_FlowControl; }
    void SetFT_FlowControl(uint16_t Value);
    uint8_t FT_FlowXOn() const { return FFT_FlowXOn; }
    void SetFT_FlowXOn(uint8_t Value);
    uint8_t FT_FlowXOff() const { return FFT_FlowXOff; }
    void SetFT_FlowXOff(uint8_t Value);
    bool FT_FlowDTR() const { return FFT_FlowDTR; }
    void SetFT_FlowDTR(bool Value);
    bool FT_FlowRTS() const { return FFT_FlowRTS; }
    void SetFT_FlowRTS(bool Value);
    int32_t DataToReadCount();

    foundation::TNotifyEvent OnDeviceDestroyed;

private:
    void Open();
    void Close();
    void Poll();
    void ApplyBaudRate();
    void ApplyDataCharacteristics();
    void ApplyFlowControl();

    uint32_t FFT_Handle = 0;
    std::string FFT_SerialNumber, FFT_Description;
    uint32_t FFT_BaudRate = 500000;
    uint8_t FFT_DataBits = 8, FFT_StopBits = 2, FFT_Parity = 0;
    uint16_t FFT_FlowControl = 0;
    uint8_t FFT_FlowXOn = 17, FFT_FlowXOff = 19;
    bool FFT_FlowDTR = false, FFT_FlowRTS = false;
    platform::TTimer FPollTimer{1}, FOpenTimer{5000};
    bool FOpenTimedOut = false;
};

// Start-up: registers TFTD2XXDev and loads the library (before the watcher starts).
void InstallD2XX();
void FinalizeD2XX();

} // namespace devices
