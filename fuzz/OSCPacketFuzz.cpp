// Received OSC packets: bundles taken apart, messages decoded, and the decoded methods used the
// way receivers use them.
#include <cstddef>
#include <cstdint>

#include "osc/OSC.Method.h"

using namespace osc;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    static bool installed = (InstallOSCMethods(), true);
    (void)installed;
    static const TOSCMethodFootprint expected{"/dmx/ch/*", "f",      "DMX Channel Value", "", "Value", "",
                                              "",          "Channel"};

    OSCDecodePacket(Data, Size, [](IOSCMethod* m) {
        m->IsCompatible(expected);
        m->getNameParametersRx(expected, 0);
        m->ToString();
        try {
            m->AsASCIIString('$');
            m->AsOSCBytes();
        } catch (const foundation::Exception&) { // an argument of a type we cannot send
        }
    });

    // Decoded against a footprint, as a device reads an answer it waits for.
    auto m = CreateOSCMethod();
    try {
        m->FromOSCBytes(TBytes(Data, Data + Size), expected);
        m->GetOSCMethodAddress();
    } catch (const EOSCMalformed&) {
    }
    return 0;
}
