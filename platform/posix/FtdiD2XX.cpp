#include "platform/posix/FtdiD2XX.h"

#include <dlfcn.h>
#include <libftdi1/ftdi.h>

#include <algorithm>
#include <map>
#include <vector>

#include "platform/USB.h"

namespace platform::posix {

namespace {

// The libftdi1 entry points, looked up by name.
struct TFtdiEntries {
    decltype(&ftdi_new) new_;
    decltype(&ftdi_free) free_;
    decltype(&ftdi_usb_open_desc) open_desc;
    decltype(&ftdi_usb_close) close;
    decltype(&ftdi_read_data) read;
    decltype(&ftdi_write_data) write;
    decltype(&ftdi_set_baudrate) set_baudrate;
    decltype(&ftdi_set_line_property) set_line_property;
    decltype(&ftdi_setflowctrl) setflowctrl;
    decltype(&ftdi_setflowctrl_xonxoff) setflowctrl_xonxoff;
    decltype(&ftdi_setdtr) setdtr;
    decltype(&ftdi_setrts) setrts;
    decltype(&ftdi_set_latency_timer) set_latency_timer;
    decltype(&ftdi_usb_find_all) find_all;
    decltype(&ftdi_list_free) list_free;
};

struct TOpen {
    ftdi_context* Ctx;
    std::string Description;
    std::vector<uint8_t> Rx; // read from the chip, not yet taken by FT_Read
};

class TFtdiD2XX : public ID2XXLibrary {
public:
    TFtdiD2XX(void* AHandle, const TFtdiEntries& AEntries) : FLib(AHandle), F(AEntries) {}
    ~TFtdiD2XX() override {
        for (auto& [h, o] : FOpen) {
            F.close(o.Ctx);
            F.free_(o.Ctx);
        }
        dlclose(FLib);
    }

    FT_STATUS FT_OpenEx(const std::string& ASerial, uint32_t AFlags, uint32_t& AHandle) override {
        if (AFlags != FT_OPEN_BY_SERIAL_NUMBER) return FT_DEVICE_NOT_FOUND;
        ftdi_context* ctx = F.new_();
        if (!ctx) return FT_IO_ERROR;
        if (F.open_desc(ctx, 0x0403, 0x6001, nullptr, ASerial.c_str()) < 0) {
            F.free_(ctx);
            return FT_DEVICE_NOT_OPENED;
        }
        // Reads are asked for on every poll: a short latency keeps each one short.
        F.set_latency_timer(ctx, 1);
        ctx->usb_read_timeout = 50;
        ctx->usb_write_timeout = 1000;
        AHandle = FNext++;
        FOpen[AHandle] = TOpen{ctx, "FT232R USB UART", {}};
        return FT_OK;
    }
    FT_STATUS FT_Close(uint32_t AHandle) override {
        auto it = FOpen.find(AHandle);
        if (it == FOpen.end()) return FT_INVALID_HANDLE;
        F.close(it->second.Ctx);
        F.free_(it->second.Ctx);
        FOpen.erase(it);
        return FT_OK;
    }
    FT_STATUS FT_Read(uint32_t AHandle, uint8_t* ABuffer, uint32_t ACount, uint32_t& ARead) override {
        auto* o = Find(AHandle);
        if (!o) return FT_INVALID_HANDLE;
        ARead = std::min<uint32_t>(ACount, uint32_t(o->Rx.size()));
        std::copy_n(o->Rx.begin(), ARead, ABuffer);
        o->Rx.erase(o->Rx.begin(), o->Rx.begin() + ARead);
        return FT_OK;
    }
    FT_STATUS FT_Write(uint32_t AHandle, const uint8_t* ABuffer, uint32_t ACount, uint32_t& AWritten) override {
        auto* o = Find(AHandle);
        if (!o) return FT_INVALID_HANDLE;
        int n = F.write(o->Ctx, ABuffer, int(ACount));
        AWritten = n > 0 ? uint32_t(n) : 0;
        return n < 0 ? FT_IO_ERROR : FT_OK;
    }
    FT_STATUS FT_GetQueueStatus(uint32_t AHandle, uint32_t& ACount) override {
        auto* o = Find(AHandle);
        if (!o) return FT_INVALID_HANDLE;
        // libftdi keeps no receive queue of its own: what the chip has now is the queue.
        uint8_t buf[512];
        int n = F.read(o->Ctx, buf, sizeof buf);
        if (n > 0) o->Rx.insert(o->Rx.end(), buf, buf + n);
        if (o->Rx.size() > 1 << 20) o->Rx.erase(o->Rx.begin(), o->Rx.end() - (1 << 20));
        ACount = uint32_t(o->Rx.size());
        return n < 0 && o->Rx.empty() ? FT_IO_ERROR : FT_OK;
    }
    FT_STATUS FT_GetDeviceInfo(uint32_t AHandle, std::string& ADescription) override {
        auto* o = Find(AHandle);
        if (!o) return FT_INVALID_HANDLE;
        ADescription = o->Description;
        return FT_OK;
    }
    FT_STATUS FT_SetBaudRate(uint32_t AHandle, uint32_t ABaud) override {
        return Status(AHandle, [&](ftdi_context* c) { return F.set_baudrate(c, int(ABaud)); });
    }
    FT_STATUS FT_SetDataCharacteristics(uint32_t AHandle, uint8_t ABits, uint8_t AStop, uint8_t AParity) override {
        // D2XX's values: bits 7 or 8; stop 0 (one) or 2 (two); parity 0..4 as libftdi's.
        auto bits = ABits == 7 ? BITS_7 : BITS_8;
        auto stop = AStop == 2 ? STOP_BIT_2 : STOP_BIT_1;
        auto parity = AParity <= 4 ? ftdi_parity_type(AParity) : NONE;
        return Status(AHandle, [&](ftdi_context* c) { return F.set_line_property(c, bits, stop, parity); });
    }
    FT_STATUS FT_SetFlowControl(uint32_t AHandle, uint16_t AFlow, uint8_t AXOn, uint8_t AXOff) override {
        if (AFlow == FT_FLOW_XON_XOFF)
            return Status(AHandle, [&](ftdi_context* c) { return F.setflowctrl_xonxoff(c, AXOn, AXOff); });
        return Status(AHandle, [&](ftdi_context* c) { return F.setflowctrl(c, AFlow); });
    }
    FT_STATUS FT_SetDtr(uint32_t AHandle) override { return Status(AHandle, [&](ftdi_context* c) { return F.setdtr(c, 1); }); }
    FT_STATUS FT_ClrDtr(uint32_t AHandle) override { return Status(AHandle, [&](ftdi_context* c) { return F.setdtr(c, 0); }); }
    FT_STATUS FT_SetRts(uint32_t AHandle) override { return Status(AHandle, [&](ftdi_context* c) { return F.setrts(c, 1); }); }
    FT_STATUS FT_ClrRts(uint32_t AHandle) override { return Status(AHandle, [&](ftdi_context* c) { return F.setrts(c, 0); }); }
    FT_STATUS FT_ListDevices(uint32_t& ACount, uint32_t AFlags) override {
        if (AFlags != FT_LIST_NUMBER_ONLY) return FT_IO_ERROR;
        ftdi_context* ctx = F.new_();
        if (!ctx) return FT_IO_ERROR;
        ftdi_device_list* list = nullptr;
        int n = F.find_all(ctx, &list, 0x0403, 0);
        if (list) F.list_free(&list);
        F.free_(ctx);
        ACount = n > 0 ? uint32_t(n) : 0;
        return n < 0 ? FT_IO_ERROR : FT_OK;
    }

private:
    TOpen* Find(uint32_t h) {
        auto it = FOpen.find(h);
        return it == FOpen.end() ? nullptr : &it->second;
    }
    template <class Fn> FT_STATUS Status(uint32_t h, Fn fn) {
        auto* o = Find(h);
        if (!o) return FT_INVALID_HANDLE;
        return fn(o->Ctx) < 0 ? FT_IO_ERROR : FT_OK;
    }

    void* FLib;
    TFtdiEntries F;
    std::map<uint32_t, TOpen> FOpen;
    uint32_t FNext = 1;
};

template <class T> bool Entry(void* lib, const char* name, T& out) {
    out = reinterpret_cast<T>(dlsym(lib, name));
    return out != nullptr;
}

std::unique_ptr<ID2XXLibrary> LoadFtdi() {
    void* lib = dlopen("libftdi1.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!lib) return nullptr;
    TFtdiEntries e{};
    bool ok = Entry(lib, "ftdi_new", e.new_) && Entry(lib, "ftdi_free", e.free_) &&
              Entry(lib, "ftdi_usb_open_desc", e.open_desc) && Entry(lib, "ftdi_usb_close", e.close) &&
              Entry(lib, "ftdi_read_data", e.read) && Entry(lib, "ftdi_write_data", e.write) &&
              Entry(lib, "ftdi_set_baudrate", e.set_baudrate) && Entry(lib, "ftdi_set_line_property", e.set_line_property) &&
              Entry(lib, "ftdi_setflowctrl", e.setflowctrl) && Entry(lib, "ftdi_setflowctrl_xonxoff", e.setflowctrl_xonxoff) &&
              Entry(lib, "ftdi_setdtr", e.setdtr) && Entry(lib, "ftdi_setrts", e.setrts) &&
              Entry(lib, "ftdi_set_latency_timer", e.set_latency_timer) && Entry(lib, "ftdi_usb_find_all", e.find_all) &&
              Entry(lib, "ftdi_list_free", e.list_free);
    if (!ok) {
        dlclose(lib);
        return nullptr;
    }
    return std::make_unique<TFtdiD2XX>(lib, e);
}

} // namespace

void InstallFtdiD2XX() { LoadD2XXLibrary = LoadFtdi; }

} // namespace platform::posix
