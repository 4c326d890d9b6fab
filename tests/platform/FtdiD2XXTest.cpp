// The D2XX-shaped library over libftdi1: over a table of stand-in entry points that plays a chip,
// and over the real library loaded by name.
#include "platform/posix/FtdiEntries.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <thread>

#include "platform/posix/FtdiD2XX.h"
#include "platform/testing/VirtualLoop.h"
#include "tests/support/WaitFor.h"

using namespace platform;
using ::testing::ElementsAre;

namespace {

// One chip. A read waits up to 5 ms for bytes, as a real one waits for the chip's next packet.
struct TChip {
    std::mutex Lock;
    std::condition_variable Cv;
    std::deque<uint8_t> ToHost;
    std::vector<uint8_t> FromHost;
    bool Unplugged = false;
    std::set<std::thread::id> ReadThreads;
    int Baud = 0;
    bool Open = false;

    void Send(std::initializer_list<uint8_t> ABytes) {
        std::lock_guard l(Lock);
        ToHost.insert(ToHost.end(), ABytes);
        Cv.notify_all();
    }
} *gChip = nullptr;

ftdi_context* New() { return new ftdi_context{}; }
void Free(ftdi_context* c) { delete c; }
int OpenDesc(ftdi_context*, int vid, int pid, const char*, const char* serial) {
    if (vid != 0x0403 || pid != 0x6001 || std::string(serial) != "A6008XYZ") return -3;
    gChip->Open = true;
    return 0;
}
int Close(ftdi_context*) {
    gChip->Open = false;
    return 0;
}
int Read(ftdi_context*, unsigned char* buf, int size) {
    std::unique_lock l(gChip->Lock);
    gChip->ReadThreads.insert(std::this_thread::get_id());
    gChip->Cv.wait_for(l, std::chrono::milliseconds(5), [] { return !gChip->ToHost.empty() || gChip->Unplugged; });
    if (gChip->Unplugged) return -666;
    int n = 0;
    for (; n < size && !gChip->ToHost.empty(); ++n) {
        buf[n] = gChip->ToHost.front();
        gChip->ToHost.pop_front();
    }
    return n;
}
int Write(ftdi_context*, const unsigned char* buf, int size) {
    std::lock_guard l(gChip->Lock);
    gChip->FromHost.insert(gChip->FromHost.end(), buf, buf + size);
    return size;
}
int SetBaud(ftdi_context*, int baud) {
    gChip->Baud = baud;
    return 0;
}
int LineProperty(ftdi_context*, ftdi_bits_type, ftdi_stopbits_type, ftdi_parity_type) { return 0; }
int FlowCtrl(ftdi_context*, int) { return 0; }
int FlowCtrlXonXoff(ftdi_context*, unsigned char, unsigned char) { return 0; }
int SetLine(ftdi_context*, int) { return 0; }
int Latency(ftdi_context*, unsigned char) { return 0; }
int FindAll(ftdi_context*, ftdi_device_list** list, int, int) {
    *list = nullptr;
    return 1;
}
void ListFree(ftdi_device_list**) {}

const posix::TFtdiEntries Entries{New,      Free,     OpenDesc,        Close,   Read,    Write,    SetBaud, LineProperty,
                                  FlowCtrl, FlowCtrlXonXoff, SetLine, SetLine, Latency, FindAll, ListFree};

class FtdiD2XXTest : public ::testing::Test {
protected:
    FtdiD2XXTest() { gChip = &Chip; }
    ~FtdiD2XXTest() override {
        Lib.reset();
        gChip = nullptr;
    }
    uint32_t Queued(uint32_t h) {
        uint32_t n = 0;
        EXPECT_EQ(Lib->FT_GetQueueStatus(h, n), FT_OK);
        return n;
    }
    platform::testing::TVirtualLoop Loop; // WaitFor runs posted work
    TChip Chip;
    std::unique_ptr<ID2XXLibrary> Lib = posix::NewFtdiD2XX(Entries);
};

} // namespace

TEST_F(FtdiD2XXTest, ReadsTheChipOffTheCallingThreadAndQueuesInOrder) {
    uint32_t h = 0;
    ASSERT_EQ(Lib->FT_OpenEx("A6008XYZ", FT_OPEN_BY_SERIAL_NUMBER, h), FT_OK);
    EXPECT_EQ(Queued(h), 0u);

    Chip.Send({1, 2, 3});
    ASSERT_TRUE(testsupport::WaitFor([&] { return Queued(h) == 3; }));
    Chip.Send({4});
    ASSERT_TRUE(testsupport::WaitFor([&] { return Queued(h) == 4; }));

    uint8_t buf[8] = {};
    uint32_t read = 0;
    ASSERT_EQ(Lib->FT_Read(h, buf, 2, read), FT_OK);
    EXPECT_EQ(read, 2u);
    ASSERT_EQ(Lib->FT_Read(h, buf + 2, 8, read), FT_OK);
    EXPECT_EQ(read, 2u);
    EXPECT_THAT(std::vector<uint8_t>(buf, buf + 4), ElementsAre(1, 2, 3, 4));
    EXPECT_EQ(Queued(h), 0u);

    // Writes and settings go straight to the chip, while its reader waits for bytes.
    const uint8_t frame[] = {0x7E, 6, 1, 2, 0xE7};
    uint32_t written = 0;
    ASSERT_EQ(Lib->FT_Write(h, frame, sizeof frame, written), FT_OK);
    EXPECT_EQ(written, sizeof frame);
    EXPECT_EQ(Lib->FT_SetBaudRate(h, 250000), FT_OK);
    EXPECT_EQ(Chip.Baud, 250000);

    EXPECT_EQ(Lib->FT_Close(h), FT_OK);
    EXPECT_FALSE(Chip.Open);
    EXPECT_EQ(Lib->FT_Close(h), FT_INVALID_HANDLE);
    uint32_t n = 0;
    EXPECT_EQ(Lib->FT_GetQueueStatus(h, n), FT_INVALID_HANDLE);

    std::lock_guard l(Chip.Lock);
    EXPECT_THAT(Chip.FromHost, ElementsAre(0x7E, 6, 1, 2, 0xE7));
    ASSERT_FALSE(Chip.ReadThreads.empty());
    EXPECT_FALSE(Chip.ReadThreads.contains(std::this_thread::get_id()));
}

TEST_F(FtdiD2XXTest, AnUnpluggedChipFailsOnceItsBytesAreTaken) {
    uint32_t h = 0;
    ASSERT_EQ(Lib->FT_OpenEx("A6008XYZ", FT_OPEN_BY_SERIAL_NUMBER, h), FT_OK);
    Chip.Send({9});
    ASSERT_TRUE(testsupport::WaitFor([&] { return Queued(h) == 1; }));
    {
        std::lock_guard l(Chip.Lock);
        Chip.Unplugged = true;
    }
    uint32_t n = 0;
    // What came before the converter went away is still there to read.
    testsupport::Pump(30);
    EXPECT_EQ(Lib->FT_GetQueueStatus(h, n), FT_OK);
    EXPECT_EQ(n, 1u);
    uint8_t b = 0;
    uint32_t read = 0;
    Lib->FT_Read(h, &b, 1, read);
    EXPECT_EQ(b, 9);
    EXPECT_EQ(Lib->FT_GetQueueStatus(h, n), FT_IO_ERROR);
    EXPECT_EQ(n, 0u);
    // Closing a failed converter does not wait on its reader for ever.
    EXPECT_EQ(Lib->FT_Close(h), FT_OK);
}

TEST_F(FtdiD2XXTest, OpensOnlyByAKnownSerialNumber) {
    uint32_t h = 0;
    EXPECT_EQ(Lib->FT_OpenEx("NOSUCH", FT_OPEN_BY_SERIAL_NUMBER, h), FT_DEVICE_NOT_OPENED);
    EXPECT_EQ(Lib->FT_OpenEx("A6008XYZ", 0, h), FT_DEVICE_NOT_FOUND);
    EXPECT_FALSE(Chip.Open);
    // Handles opened and never closed are closed with the library.
    ASSERT_EQ(Lib->FT_OpenEx("A6008XYZ", FT_OPEN_BY_SERIAL_NUMBER, h), FT_OK);
    Lib.reset();
    EXPECT_FALSE(Chip.Open);
}

// The installed libftdi1 has every entry point looked up, and with no converter attached it says
// so instead of failing.
TEST(FtdiLibrary, LoadsTheInstalledLibraryByName) {
    posix::InstallFtdiD2XX();
    auto lib = LoadD2XXLibrary();
    ASSERT_NE(lib, nullptr) << "libftdi1.so.2 missing or lacking an entry point";
    uint32_t h = 0;
    EXPECT_EQ(lib->FT_OpenEx("LUMACUE-NONE", FT_OPEN_BY_SERIAL_NUMBER, h), FT_DEVICE_NOT_OPENED);
    uint32_t count = 99;
    FT_STATUS s = lib->FT_ListDevices(count, FT_LIST_NUMBER_ONLY);
    EXPECT_TRUE(s == FT_OK || s == FT_IO_ERROR) << s;
    EXPECT_EQ(count, 0u);
}
