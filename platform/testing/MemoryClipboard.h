// An in-memory clipboard for tests: one content at a time, like the real one.
#pragma once

#include <map>

#include "platform/Clipboard.h"

namespace platform::testing {

class TMemoryClipboard : public IClipboard {
public:
    TMemoryClipboard() { SetClipboard(this); } // installs itself
    ~TMemoryClipboard() override { SetClipboard(nullptr); }

    uint32_t RegisterFormat(const std::string& Name) override {
        auto [it, added] = FNumbers.emplace(Name, 0xC000u + uint32_t(FNumbers.size()));
        return it->second;
    }
    bool HasFormat(uint32_t Format) override { return FHasData && FFormat == Format; }
    std::vector<uint8_t> GetData(uint32_t Format) override {
        return HasFormat(Format) ? FData : std::vector<uint8_t>{};
    }
    void SetData(uint32_t Format, const std::vector<uint8_t>& Data) override {
        FFormat = Format;
        FData = Data;
        FHasData = true;
    }

private:
    std::map<std::string, uint32_t> FNumbers;
    uint32_t FFormat = 0;
    std::vector<uint8_t> FData;
    bool FHasData = false;
};

} // namespace platform::testing
