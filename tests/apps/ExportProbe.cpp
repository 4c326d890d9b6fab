// Preloaded into a program by ProgramExportsTest: before the program's main() runs it looks up
// the exported functions by name in the program, calls two of them, prints what it got and ends
// the process, so the program's windows never start.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <string>
#include <unistd.h>

namespace {

const char* const Names[] = {"genCRC8",
                             "getCRC8array",
                             "FileCRC32",
                             "FileCRC32Stream",
                             "FileCRC32PBP",
                             "FileCRC32PBPStream",
                             "FileCRC8PBP",
                             "FileCRC8PBPStream",
                             "FileCRC8PBPStreamBounds",
                             "checkCRC",
                             "checkCRCStream",
                             "DoubleWordToLongWord",
                             "LongWordToDoubleWord",
                             "StrToBin",
                             "BinToStr"};

__attribute__((constructor)) void Probe() {
    const char* file = std::getenv("LUMACUE_EXPORT_PROBE_FILE");
    if (!file) return;
    std::string missing;
    for (const char* name : Names)
        if (!dlsym(RTLD_DEFAULT, name)) missing += std::string(" ") + name;
    std::printf("missing:%s\n", missing.empty() ? " none" : missing.c_str());

    auto crc8 = reinterpret_cast<uint8_t (*)(const uint8_t*, int32_t)>(dlsym(RTLD_DEFAULT, "genCRC8"));
    auto fileCrc32 = reinterpret_cast<uint32_t (*)(const wchar_t*)>(dlsym(RTLD_DEFAULT, "FileCRC32"));
    if (crc8 && fileCrc32) {
        std::wstring wide(file, file + std::string(file).size());
        std::printf("genCRC8=%02X\n", crc8(reinterpret_cast<const uint8_t*>("123456789"), 9));
        std::printf("FileCRC32=%08X\n", fileCrc32(wide.c_str()));
    }
    std::fflush(stdout);
    _exit(0);
}

} // namespace
