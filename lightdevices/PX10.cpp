#include "lightdevices/PX10.h"

#include "devices/D2XXUnit.h"
#include "dmx/DMX.Delegate.USBEntek.h"
#include "dmx/DMXOutput.h"

namespace lightdevices {

using foundation::HRESULT;
using foundation::OfferInterface;
using foundation::S_OK;

TQV_PX10::TQV_PX10(devices::TUSBDevice* AUSB) : FSerialNumber(AUSB->SerialNumber()) {
    FDMXInterfaceDelegate = dmx::NewDMXUSBEntekDelegate(Identity(), AUSB).get();
    FDMXInterface = dmx::NewDMXInterface(FDMXInterfaceDelegate).get();
}

HRESULT TQV_PX10::QueryOwnInterface(const foundation::TGUID& IID, void** Obj) {
    if (OfferInterface<dmx::IDMXNamedInterfaceDelegate>(this, IID, Obj) ||
        OfferInterface<dmx::IDMXNamedInterface>(this, IID, Obj))
        return S_OK;
    if (IID == IDMXInterface::IID && FDMXInterface) return FDMXInterface->QueryInterface(IID, Obj);
    if (IID == IDMXInterfaceDelegate::IID && FDMXInterfaceDelegate) return FDMXInterfaceDelegate->QueryInterface(IID, Obj);
    return TIaAObject::QueryOwnInterface(IID, Obj);
}

HRESULT TPX10Listener::QueryOwnInterface(const foundation::TGUID& IID, void** Obj) {
    if (OfferInterface<devices::IUSBListener>(this, IID, Obj)) return S_OK;
    return TIaAObject::QueryOwnInterface(IID, Obj);
}

void TPX10Listener::DoUSBChanged(devices::TUSBAction Action, const devices::TUSBDeviceInfo& Device) {
    if (!Device.Device) return;
    if (Action == devices::uaInserted) {
        if (auto* ftdi = dynamic_cast<devices::TFTD2XXDev*>(Device.Device)) ftdi->SetFT_BaudRate(dmx::EntekBaudRate);
        auto* model = foundation::Make<TQV_PX10>(Device.Device);
        IPtr<IDMXInterface> intf = model->DMXInterface();
        FInterfaces[Device.Device] = intf; // replaces an earlier model of the same device
    } else {
        auto it = FInterfaces.find(Device.Device);
        if (it == FInterfaces.end()) return;
        IPtr<IDMXInterface> going = std::move(it->second);
        FInterfaces.erase(it);
        // The output leaves the registry with its adapter, also when something still holds it.
        if (dmx::TDMXOutput* output = dmx::DMXOutput()) {
            int32_t index = output->IndexOf(going.get());
            if (index >= 0) output->RemoveDMXInterface(output->getDMXInterface(index));
        }
    }
}

namespace {
IPtr<devices::IUSBListener> gListener;
TPX10Listener* gListenerObject = nullptr;
} // namespace

void InstallPX10() {
    FinalizePX10();
    gListenerObject = foundation::Make<TPX10Listener>();
    gListener = IPtr<devices::IUSBListener>(gListenerObject);
    devices::TUSBHandler::RegisterUSBListener(PX10VID, PX10PID, gListener.get());
}

void FinalizePX10() {
    if (!gListener) return;
    devices::TUSBHandler::UnregisterUSBListener(gListener.get());
    gListenerObject = nullptr;
    gListener.reset();
}

TPX10Listener* PX10Listener() { return gListenerObject; }

} // namespace lightdevices
