#include "platform/posix/FtdiD2XX.h"

#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "platform/posix/FtdiEntries.h"

namespace platform::posix {

namespace {

// Each open converter has a reader thread. libftdi keeps no receive queue of its own and a read
// waits for the chip's next USB packet (up to the latency timer), so reading on the main thread
// would stall it on every poll; the thread moves what the chip sends into a queue that the queue
// count and FT_Read only look at. libusb lets the thread's bulk reads run alongside the main
// thread's writes and control requests on the same handle; the main thread alone changes the
// context's settings, and only the thread touches its read buffer.
class TOpen {
public:
    TOpen(const TFtdiEntries& AEntries, ftdi_context* ACtx) : F(AEntries), Ctx(ACtx) {
        FReader = std::thread([this] { Read(); });
    }
    ~TOpen() {
        FStop = true;
        FReader.join(); // a read in progress ends within the context's read timeout
        F.close(Ctx);
        F.free_(Ctx);
    }

    uint32_t Queued() {
        std::lock_guard lock(FLock);
        return uint32_t(FRx.size());
    }
    uint32_t Take(uint8_t* ABuffer, uint32_t ACount) {
        std::lock_guard lock(FLock);
        uint32_t n = std::min<uint32_t>(ACount, uint32_t(FRx.size()));
        std::copy_n(FRx.begin(), n, ABuffer);
        FRx.erase(FRx.begin(), FRx.begin() + n);
        return n;
    }
    bool Failed() const { return FFailed; }

    const TFtdiEntries& F;
    ftdi_context* const Ctx;
    std::string Description = "FT232R USB UART";

private:
    static constexpr size_t MaxQueued = 1 << 20; // the oldest bytes go first when nobody reads

    void Read() {
        uint8_t buf[512];
        while (!FStop) {
            int n = F.read(Ctx, buf, sizeof buf);
            if (n > 0) {
                std::lock_guard lock(FLock);
                FRx.insert(FRx.end(), buf, buf + n);
                if (FRx.size() > MaxQueued) FRx.erase(FRx.begin(), FRx.end() - MaxQueued);
                FFailed = false;
            } else {
                // Nothing yet, or the converter is gone (it is closed when its removal is
                // reported): wait a little rather than spin.
                if (n < 0) FFailed = true;
                std::this_thread::sleep_for(std::chrono::milliseconds(n < 0 ? 10 : 1));
            }
        }
    }

    std::thread FReader;
    std::atomic<bool> FStop{false};
    std::atomic<bool> FFailed{false};
    std::mutex FLock;
    std::deque<uint8_t> FRx;
};

class TFtdiD2XX : public ID2XXLibrary {
public:
    TFtdiD2XX(const TFtdiEntries& AEntries, void* ALib) : F(AEntries), FLib(ALib) {}
    ~TFtdiD2XX() override {
        FOpen.clear();
        if (FLib) dlclose(FLib);
    }

    FT_STATUS FT_OpenEx(const std::string& ASerial, uint32_t AFlags, uint32_t& AHandle) override {
        if (AFlags != FT_OPEN_BY_SERIAL_NUMBER) return FT_DEVICE_NOT_FOUND;
        ftdi_context* ctx = F.new_();
        if (!ctx) return FT_IO_ERROR;
        if (F.open_desc(ctx, 0x0403, 0x6001, nullptr, ASerial.c_str()) < 0) {
            F.free_(ctx);
            return FT_DEVICE_NOT_OPENED;
        }
        // The chip sends what it has every millisecond; a read gives up after 50 ms, which is
        // also how long closing may wait for the reader.
        F.set_latency_timer(ctx, 1);
        ctx->usb_read_timeout = 50;
        ctx->usb_write_timeout = 1000;
        AHandle = FNext++;
        FOpen.emplace(AHandle, std::make_unique<TOpen>(F, ctx));
        return FT_OK;
    }
    FT_STATUS FT_Close(uint32_t AHandle) override {
        return FOpen.erase(AHandle) ? FT_OK : FT_INVALID_HANDLE;
    }
    FT_STATUS FT_Read(uint32_t AHandle, uint8_t* ABuffer, uint32_t ACount, uint32_t& ARead) override {
        auto* o = Find(AHandle);
        if (!o) return FT_INVALID_HANDLE;
        ARead = o->Take(ABuffer, ACount);
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
        ACount = o->Queued();
        return ACount == 0 && o->Failed() ? FT_IO_ERROR : FT_OK;
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
        return it == FOpen.end() ? nullptr : it->second.get();
    }
    template <class Fn> FT_STATUS Status(uint32_t h, Fn fn) {
        auto* o = Find(h);
        if (!o) return FT_INVALID_HANDLE;
        return fn(o->Ctx) < 0 ? FT_IO_ERROR : FT_OK;
    }

    const TFtdiEntries F;
    void* FLib;
    std::map<uint32_t, std::unique_ptr<TOpen>> FOpen;
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
    return NewFtdiD2XX(e, lib);
}

} // namespace

std::unique_ptr<ID2XXLibrary> NewFtdiD2XX(const TFtdiEntries& AEntries, void* ALib) {
    return std::make_unique<TFtdiD2XX>(AEntries, ALib);
}

void InstallFtdiD2XX() { LoadD2XXLibrary = LoadFtdi; }

} // namespace platform::posix
