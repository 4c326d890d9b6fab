#include "devices/D2XXUnit.h"

#include "foundation/Exceptions.h"

namespace devices {

using namespace platform;

namespace {
std::unique_ptr<ID2XXLibrary> gLibrary;
} // namespace

void TFTD2XX_DLL::Load() { gLibrary = LoadD2XXLibrary(); }
void TFTD2XX_DLL::Release() { gLibrary.reset(); }
bool TFTD2XX_DLL::Loaded() { return gLibrary != nullptr; }

ID2XXLibrary& TFTD2XX_DLL::Lib() {
    if (!gLibrary) throw foundation::Exception(D2XXMissingText);
    return *gLibrary;
}

int32_t TFTD2XX_DLL::GetFTDeviceCount() {
    uint32_t count = 0;
    if (Lib().FT_ListDevices(count, FT_LIST_NUMBER_ONLY) != FT_OK) return 0;
    return int32_t(count);
}

TFTD2XXDev::TFTD2XXDev(uint16_t AVID, uint16_t APID, const std::string& ASerialNumber)
    : TUSBDevice(AVID, APID, ASerialNumber) {
    FOpenTimer.OnTimer = [this] {
        FOpenTimer.SetEnabled(false);
        FOpenTimedOut = true;
    };
    SetFT_SerialNumber(ASerialNumber);
}

TFTD2XXDev::~TFTD2XXDev() {
    if (OnDeviceDestroyed) OnDeviceDestroyed(this);
    try {
        Close();
    } catch (const foundation::Exception&) {
    }
}

void TFTD2XXDev::SetFT_SerialNumber(const std::string& Value) {
    Close();
    FFT_SerialNumber = Value;
    Open();
}

void TFTD2XXDev::Open() {
    ID2XXLibrary& lib = TFTD2XX_DLL::Lib();
    FOpenTimedOut = false;
    FOpenTimer.SetEnabled(true);
    uint32_t handle = 0;
    // The adapter may still be held by a closing program: retry for the opening time, keeping the
    // loop running in between.
    while (lib.FT_OpenEx(FFT_SerialNumber, FT_OPEN_BY_SERIAL_NUMBER, handle) != FT_OK || handle == 0) {
        handle = 0;
        if (FOpenTimedOut) break;
        ProcessMessages();
    }
    FOpenTimer.SetEnabled(false);
    if (handle == 0) {
        ShowMessage(D2XXOpenFailedText);
        return;
    }
    FFT_Handle = handle;
    lib.FT_GetDeviceInfo(FFT_Handle, FFT_Description);
    ApplyBaudRate();
    ApplyFlowControl();
    ApplyDataCharacteristics();
    FPollTimer.OnTimer = [this] { Poll(); };
    FPollTimer.SetEnabled(true);
}

void TFTD2XXDev::Close() {
    if (!FFT_Handle) return;
    uint32_t old = FFT_Handle;
    FFT_Handle = 0;
    FPollTimer.SetEnabled(false);
    FPollTimer.OnTimer = nullptr;
    TFTD2XX_DLL::Lib().FT_Close(old);
    FFT_Description.clear();
}

void TFTD2XXDev::DeviceRemoved() {
    // The device is gone, but its handle still holds the driver's resources: close it so that a
    // replug does not leak one handle each time. A failing close is of no interest now.
    try {
        Close();
    } catch (const foundation::Exception&) {
        FFT_Handle = 0;
    }
}

void TFTD2XXDev::Poll() {
    FPollTimer.SetEnabled(false);
    try {
        if (IsOpened()) {
            uint32_t waiting = 0;
            if (TFTD2XX_DLL::Lib().FT_GetQueueStatus(FFT_Handle, waiting) != FT_OK) waiting = 0;
            if (waiting > 0) {
                TBytes buf(waiting);
                uint32_t read = 0;
                TFTD2XX_DLL::Lib().FT_Read(FFT_Handle, buf.data(), waiting, read);
                DataReceived(buf.data(), std::min(read, waiting));
            }
        }
    } catch (...) {
    }
    if (IsOpened()) FPollTimer.SetEnabled(true);
}

int32_t TFTD2XXDev::DataToReadCount() {
    uint32_t waiting = 0;
    if (!IsOpened() || TFTD2XX_DLL::Lib().FT_GetQueueStatus(FFT_Handle, waiting) != FT_OK) return 0;
    return int32_t(waiting);
}

void TFTD2XXDev::WriteData(const uint8_t* ABuffer, int32_t ADataCount) {
    if (!IsOpened() || ADataCount <= 0) return;
    uint32_t written = 0;
    TFTD2XX_DLL::Lib().FT_Write(FFT_Handle, ABuffer, uint32_t(ADataCount), written);
}

void TFTD2XXDev::ApplyBaudRate() {
    if (IsOpened() && FFT_BaudRate != 0) TFTD2XX_DLL::Lib().FT_SetBaudRate(FFT_Handle, FFT_BaudRate);
}

void TFTD2XXDev::ApplyDataCharacteristics() {
    if (IsOpened()) TFTD2XX_DLL::Lib().FT_SetDataCharacteristics(FFT_Handle, FFT_DataBits, FFT_StopBits, FFT_Parity);
}

void TFTD2XXDev::ApplyFlowControl() {
    if (!IsOpened()) return;
    ID2XXLibrary& lib = TFTD2XX_DLL::Lib();
    lib.FT_SetFlowControl(FFT_Handle, FFT_FlowControl, FFT_FlowXOn, FFT_FlowXOff);
    if (FFT_FlowControl == FT_FLOW_DTR_DSR) {
        FFT_FlowDTR ? lib.FT_SetDtr(FFT_Handle) : lib.FT_ClrDtr(FFT_Handle);
        FFT_FlowRTS ? lib.FT_SetRts(FFT_Handle) : lib.FT_ClrRts(FFT_Handle);
    }
}

#define LUMACUE_SETTER(Name, Type, Apply)        \
    void TFTD2XXDev::Set##Name(Type Value) {     \
        if (Value == F##Name) return;            \
        F##Name = Value;                         \
        Apply();                                 \
    }
LUMACUE_SETTER(FT_BaudRate, uint32_t, ApplyBaudRate)
LUMACUE_SETTER(FT_DataBits, uint8_t, ApplyDataCharacteristics)
LUMACUE_SETTER(FT_StopBits, uint8_t, ApplyDataCharacteristics)
LUMACUE_SETTER(FT_Parity, uint8_t, ApplyDataCharacteristics)
LUMACUE_SETTER(FT_FlowControl, uint16_t, ApplyFlowControl)
LUMACUE_SETTER(FT_FlowXOn, uint8_t, ApplyFlowControl)
LUMACUE_SETTER(FT_FlowXOff, uint8_t, ApplyFlowControl)
LUMACUE_SETTER(FT_FlowDTR, bool, ApplyFlowControl)
LUMACUE_SETTER(FT_FlowRTS, bool, ApplyFlowControl)
#undef LUMACUE_SETTER

void InstallD2XX() {
    TUSBHandler::RegisterUSBDeviceClass(USBDeviceClassOf<TFTD2XXDev>());
    TFTD2XX_DLL::Load();
}

void FinalizeD2XX() { TFTD2XX_DLL::Release(); }

} // namespace devices
