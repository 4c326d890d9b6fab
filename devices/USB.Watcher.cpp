#include "devices/USB.Watcher.h"

namespace devices {

TPlatformUSBHandler::TPlatformUSBHandler(std::unique_ptr<platform::IUSBWatcher> AWatcher)
    : FWatcher(std::move(AWatcher)) {
    FWatcher->OnChange = [this](bool AArrived, const platform::TUSBDeviceId& AId) {
        if (AArrived)
            DeviceArrived(AId.VID, AId.PID, AId.SerialNumber);
        else
            DeviceRemoved(AId.VID, AId.PID, AId.SerialNumber);
    };
}

void TPlatformUSBHandler::Enumerate() {
    for (auto& id : FWatcher->Present()) DeviceArrived(id.VID, id.PID, id.SerialNumber);
}

namespace {

std::optional<uint16_t> Hex4(const std::string& s, size_t pos) {
    if (pos + 4 > s.size()) return std::nullopt;
    uint16_t v = 0;
    for (size_t i = pos; i < pos + 4; ++i) {
        char c = s[i];
        int d = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (d < 0) return std::nullopt;
        v = uint16_t(v * 16 + d);
    }
    return v;
}

std::unique_ptr<TPlatformUSBHandler> gHandler;

} // namespace

std::optional<platform::TUSBDeviceId> DecodeUSBInterfaceName(const std::string& AName) {
    size_t h1 = AName.find('#');
    size_t h2 = h1 == std::string::npos ? h1 : AName.find('#', h1 + 1);
    size_t h3 = h2 == std::string::npos ? h2 : AName.find('#', h2 + 1);
    if (h3 == std::string::npos) return std::nullopt;
    std::string ids = AName.substr(h1 + 1, h2 - h1 - 1); // VID_vvvv&PID_pppp
    if (ids.size() < 17 || ids.compare(0, 4, "VID_") != 0 || ids.compare(9, 4, "PID_") != 0) return std::nullopt;
    auto vid = Hex4(ids, 4), pid = Hex4(ids, 13);
    if (!vid || !pid) return std::nullopt;
    return platform::TUSBDeviceId{*vid, *pid, AName.substr(h2 + 1, h3 - h2 - 1)};
}

void StartUSBWatcher() {
    gHandler.reset();
    auto watcher = platform::NewUSBWatcher();
    if (!watcher) return;
    gHandler = std::make_unique<TPlatformUSBHandler>(std::move(watcher));
    gHandler->Enumerate();
}

void StopUSBWatcher() { gHandler.reset(); }

} // namespace devices
