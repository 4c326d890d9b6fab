// Feeds arbitrary bytes to the document reader, then writes what it accepted and reads that again.
// Only memory safety and termination are checked: the reader takes names from a file as they are,
// so an accepted hostile document need not write out as one that reads back the same.
#include <cstdint>

#include "foundation/Exceptions.h"
#include "foundation/XML.Impl.h"

using namespace foundation;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    InstallXMLNodes();
    auto root = CreateXMLNode(nullptr);
    TMemoryStream in(TBytes(Data, Data + Size));
    try {
        root->LoadFromStream(in);
    } catch (const Exception&) {
        return 0;
    }
    TMemoryStream once;
    root->SaveToStream(once);
    once.SetPosition(0);
    auto again = CreateXMLNode(nullptr);
    try {
        again->LoadFromStream(once);
    } catch (const Exception&) {
    }
    return 0;
}
