// The program-wide registry of DMX interfaces and the one active interface the front ends play on.
#pragma once

#include <functional>
#include <vector>

#include "dmx/Intf.DMX.h"

namespace dmx {

enum TDMXInterfaceEvent { deAdded, deRemoved };

class TDMXOutput;
using TInterfaceChangeEvent =
    std::function<void(TDMXOutput* Sender, IDMXNamedInterface* AInterface, TDMXInterfaceEvent AEvent)>;

class TDMXOutput {
public:
    TDMXOutput() = default;
    ~TDMXOutput();
    TDMXOutput(const TDMXOutput&) = delete;
    TDMXOutput& operator=(const TDMXOutput&) = delete;

    void AddDMXInterface(IDMXNamedInterface* ADMXInterface);
    void RemoveDMXInterface(IDMXNamedInterface* ADMXInterface);
    void DMXInterfaceClear();
    int32_t IndexOf(IDMXInterface* AInterface);
    int32_t IndexOf(const std::string& AIntfName);
    int32_t IndexOfAddress(const std::string& AHardwareAddress);
    IDMXNamedInterface* getDMXInterface(int32_t Index);
    IDMXNamedInterface* getDMXInterfaceN(const std::string& Name);
    IDMXNamedInterface* getDMXInterfaceHId(const std::string& HardwareID);
    int32_t GetDMXInterfaceCount() const { return int32_t(FDMXInterfacesList.size()); }

    IDMXInterface* GetActiveDMXInterface() const { return FActiveDMXInterface; }
    // Value is an IDMXInterface obtained by QueryInterface, or none.
    void SetActiveDMXInterface(IDMXInterface* Value);

    // Channel access on the active interface (0, empty or nothing when none is active).
    uint8_t getDMXCh(int32_t Index);
    void setDMXCh(int32_t Index, uint8_t Value);
    TBytes GetDMX();
    void SetDMX(const TBytes& Value);
    uint8_t GetDMXMaster();
    void SetDMXMaster(uint8_t Value);

    foundation::TNotifyEvent OnActiveInterfaceChange;
    TInterfaceChangeEvent OnInterfaceChange;

private:
    friend void FinalizeDMXOutput();
    std::vector<IDMXNamedInterface*> FDMXInterfacesList; // not counted: each leaves before it goes
    IDMXInterface* FActiveDMXInterface = nullptr;
    bool FShuttingDown = false;
};

// The registry; none before InstallDMXOutput() and after it was destroyed at shut-down.
TDMXOutput* DMXOutput();
void InstallDMXOutput();
// Shut-down: the registry goes at once when empty, otherwise with the last interface that leaves.
void FinalizeDMXOutput();

} // namespace dmx
