#include "dmx/DMXOutput.h"

#include <algorithm>

namespace dmx {

using foundation::Supports;

static TDMXOutput* gDMXOutput = nullptr;

TDMXOutput* DMXOutput() { return gDMXOutput; }

void InstallDMXOutput() {
    if (!gDMXOutput) gDMXOutput = new TDMXOutput();
}

void FinalizeDMXOutput() {
    if (!gDMXOutput) return;
    gDMXOutput->FShuttingDown = true;
    if (gDMXOutput->FDMXInterfacesList.empty()) {
        delete gDMXOutput;
        gDMXOutput = nullptr;
    }
}

TDMXOutput::~TDMXOutput() {
    SetActiveDMXInterface(nullptr);
    if (gDMXOutput == this) gDMXOutput = nullptr;
}

// The entry's own IDMXInterface. Entries are compared by it rather than by their root identity,
// so that two outputs of one device remain two entries.
static IDMXInterface* AsDMXInterface(IDMXNamedInterface* entry) {
    void* out = nullptr;
    if (entry->QueryInterface(IDMXInterface::IID, &out) != foundation::S_OK) return nullptr;
    auto* intf = static_cast<IDMXInterface*>(out);
    intf->Release(); // registry references are not counted
    return intf;
}

void TDMXOutput::AddDMXInterface(IDMXNamedInterface* ADMXInterface) {
    if (!ADMXInterface) return;
    if (std::find(FDMXInterfacesList.begin(), FDMXInterfacesList.end(), ADMXInterface) != FDMXInterfacesList.end())
        return;
    FDMXInterfacesList.push_back(ADMXInterface);
    if (OnInterfaceChange) OnInterfaceChange(this, ADMXInterface, deAdded);
}

void TDMXOutput::RemoveDMXInterface(IDMXNamedInterface* ADMXInterface) {
    auto it = std::find(FDMXInterfacesList.begin(), FDMXInterfacesList.end(), ADMXInterface);
    if (it == FDMXInterfacesList.end()) return;
    FDMXInterfacesList.erase(it);
    if (FActiveDMXInterface && AsDMXInterface(ADMXInterface) == FActiveDMXInterface) SetActiveDMXInterface(nullptr);
    if (OnInterfaceChange) OnInterfaceChange(this, ADMXInterface, deRemoved);
    if (FShuttingDown && FDMXInterfacesList.empty()) delete this;
}

void TDMXOutput::DMXInterfaceClear() {
    SetActiveDMXInterface(nullptr);
    FDMXInterfacesList.clear();
}

int32_t TDMXOutput::IndexOf(IDMXInterface* AInterface) {
    if (!AInterface) return -1;
    for (size_t i = 0; i < FDMXInterfacesList.size(); ++i)
        if (AsDMXInterface(FDMXInterfacesList[i]) == AInterface) return int32_t(i);
    return -1;
}

int32_t TDMXOutput::IndexOf(const std::string& AIntfName) {
    for (size_t i = 0; i < FDMXInterfacesList.size(); ++i)
        if (FDMXInterfacesList[i]->GetName() == AIntfName) return int32_t(i);
    return -1;
}

int32_t TDMXOutput::IndexOfAddress(const std::string& AHardwareAddress) {
    for (size_t i = 0; i < FDMXInterfacesList.size(); ++i)
        if (FDMXInterfacesList[i]->GetHardwareID() == AHardwareAddress) return int32_t(i);
    return -1;
}

IDMXNamedInterface* TDMXOutput::getDMXInterface(int32_t Index) {
    if (Index < 0 || size_t(Index) >= FDMXInterfacesList.size()) return nullptr;
    return FDMXInterfacesList[size_t(Index)];
}

IDMXNamedInterface* TDMXOutput::getDMXInterfaceN(const std::string& Name) { return getDMXInterface(IndexOf(Name)); }

IDMXNamedInterface* TDMXOutput::getDMXInterfaceHId(const std::string& HardwareID) {
    return getDMXInterface(IndexOfAddress(HardwareID));
}

void TDMXOutput::SetActiveDMXInterface(IDMXInterface* Value) {
    if (Value == FActiveDMXInterface) return;
    if (FActiveDMXInterface) FActiveDMXInterface->SetActive(false);
    FActiveDMXInterface = Value;
    if (Value) Value->SetActive(true);
    if (OnActiveInterfaceChange) OnActiveInterfaceChange(this);
}

uint8_t TDMXOutput::getDMXCh(int32_t Index) { return FActiveDMXInterface ? FActiveDMXInterface->getDMXCh(Index) : 0; }

void TDMXOutput::setDMXCh(int32_t Index, uint8_t Value) {
    if (FActiveDMXInterface) FActiveDMXInterface->setDMXCh(Index, Value);
}

TBytes TDMXOutput::GetDMX() { return FActiveDMXInterface ? FActiveDMXInterface->GetDMX() : TBytes(); }

void TDMXOutput::SetDMX(const TBytes& Value) {
    if (FActiveDMXInterface) FActiveDMXInterface->SetDMX(Value);
}

uint8_t TDMXOutput::GetDMXMaster() { return FActiveDMXInterface ? FActiveDMXInterface->GetDMXMaster() : 0; }

void TDMXOutput::SetDMXMaster(uint8_t Value) {
    if (FActiveDMXInterface) FActiveDMXInterface->SetDMXMaster(Value);
}

} // namespace dmx
