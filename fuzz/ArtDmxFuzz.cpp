// Feeds arbitrary datagrams to an Art-Net node, in both modes, as they would arrive on its port.
#include <cstddef>
#include <cstdint>

#include "dmx/DMX.Delegate.ArtNet.h"
#include "platform/testing/FakeUdp.h"
#include "platform/testing/VirtualLoop.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    static platform::testing::TVirtualLoop loop;
    static platform::testing::TFakeUdpNetwork net;
    static dmx::TArtnetServer rx, tx;
    static bool once = [] {
        rx.SetServerMode(dmx::smRx);
        rx.SetSubnetArtNet(0x12);
        rx.SetUniverse(3);
        return true;
    }();
    (void)once;
    rx.ReceiveDatagram(Data, Size);
    tx.ReceiveDatagram(Data, Size);
    dmx::ArtDmxData(Data, Size, dmx::ArtDmxAddress(0, 0));
    return 0;
}
