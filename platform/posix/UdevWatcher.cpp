#include "platform/posix/UdevWatcher.h"

#include <libudev.h>

#include <map>

#include "platform/Loop.h"
#include "platform/USB.h"

namespace platform::posix {

namespace {

bool Hex16(const char* s, uint16_t& out) {
    if (!s) return false;
    unsigned v = 0;
    int n = 0;
    for (; *s && n < 5; ++s, ++n) {
        char c = *s;
        int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (d < 0) return false;
        v = v * 16 + unsigned(d);
    }
    if (n == 0 || n > 4) return false;
    out = uint16_t(v);
    return true;
}

// A device without a serial number is named after its place on the bus, so that it still has a
// stable name of its own while it stays plugged in.
bool IdOf(udev_device* dev, TUSBDeviceId& id) {
    if (!Hex16(udev_device_get_sysattr_value(dev, "idVendor"), id.VID) ||
        !Hex16(udev_device_get_sysattr_value(dev, "idProduct"), id.PID))
        return false;
    const char* serial = udev_device_get_sysattr_value(dev, "serial");
    const char* sysname = udev_device_get_sysname(dev);
    id.SerialNumber = serial ? serial : sysname ? sysname : "";
    return true;
}

class TUdevWatcher : public IUSBWatcher {
public:
    TUdevWatcher() : FUdev(udev_new()) {
        if (!FUdev) return;
        FMonitor = udev_monitor_new_from_netlink(FUdev, "udev");
        if (FMonitor) {
            udev_monitor_filter_add_match_subsystem_devtype(FMonitor, "usb", "usb_device");
            if (udev_monitor_enable_receiving(FMonitor) < 0) {
                udev_monitor_unref(FMonitor);
                FMonitor = nullptr;
            }
        }
        FTimer.OnTimer = [this] { Drain(); };
        FTimer.SetEnabled(FMonitor != nullptr);
    }
    ~TUdevWatcher() override {
        FTimer.SetEnabled(false);
        if (FMonitor) udev_monitor_unref(FMonitor);
        if (FUdev) udev_unref(FUdev);
    }

    std::vector<TUSBDeviceId> Present() override {
        std::vector<TUSBDeviceId> out;
        if (!FUdev) return out;
        udev_enumerate* en = udev_enumerate_new(FUdev);
        if (!en) return out;
        udev_enumerate_add_match_subsystem(en, "usb");
        udev_enumerate_add_match_property(en, "DEVTYPE", "usb_device");
        udev_enumerate_scan_devices(en);
        udev_list_entry* e;
        udev_list_entry_foreach(e, udev_enumerate_get_list_entry(en)) {
            udev_device* dev = udev_device_new_from_syspath(FUdev, udev_list_entry_get_name(e));
            if (!dev) continue;
            TUSBDeviceId id;
            if (IdOf(dev, id)) {
                FKnown[udev_device_get_syspath(dev)] = id;
                out.push_back(id);
            }
            udev_device_unref(dev);
        }
        udev_enumerate_unref(en);
        return out;
    }

private:
    void Drain() {
        // The monitor's socket does not block: take what is there.
        while (udev_device* dev = udev_monitor_receive_device(FMonitor)) {
            const char* action = udev_device_get_action(dev);
            const char* syspath = udev_device_get_syspath(dev);
            std::string path = syspath ? syspath : "";
            std::string act = action ? action : "";
            if (act == "add") {
                TUSBDeviceId id;
                if (IdOf(dev, id)) Arrived(path, id);
            } else if (act == "remove") {
                Removed(path);
            }
            udev_device_unref(dev);
        }
    }

    // An "add" comes again for a device already known when the list of present devices was
    // taken after the monitor started, or when udev replays its events (udevadm trigger): a
    // known device is not a new arrival. A different device at the same place replaces it.
    void Arrived(const std::string& APath, const TUSBDeviceId& AId) {
        auto it = FKnown.find(APath);
        if (it != FKnown.end()) {
            if (it->second == AId) return;
            Removed(APath);
        }
        FKnown[APath] = AId;
        if (OnChange) OnChange(true, AId);
    }
    void Removed(const std::string& APath) {
        // The attributes are gone with the device: report what it was when it came.
        auto it = FKnown.find(APath);
        if (it == FKnown.end()) return;
        TUSBDeviceId id = it->second;
        FKnown.erase(it);
        if (OnChange) OnChange(false, id);
    }

    udev* FUdev = nullptr;
    udev_monitor* FMonitor = nullptr;
    std::map<std::string, TUSBDeviceId> FKnown; // by sysfs path
    TTimer FTimer{100};
};

std::unique_ptr<IUSBWatcher> NewUdevWatcher() { return std::make_unique<TUdevWatcher>(); }

} // namespace

void InstallUdevWatcher() { NewUSBWatcher = NewUdevWatcher; }

} // namespace platform::posix
