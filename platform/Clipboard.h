// The system clipboard seam: formats are numbers registered by name, contents are bytes. The
// programs use Qt's clipboard; tests use an in-memory one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

class IClipboard {
public:
    virtual ~IClipboard() = default;
    // The same name always gives the same number; 0 is never a valid format.
    virtual uint32_t RegisterFormat(const std::string& Name) = 0;
    virtual bool HasFormat(uint32_t Format) = 0;
    // Empty when the clipboard does not hold the format.
    virtual std::vector<uint8_t> GetData(uint32_t Format) = 0;
    // Replaces the whole clipboard content by these bytes under this format.
    virtual void SetData(uint32_t Format, const std::vector<uint8_t>& Data) = 0;
};

// Installs the clipboard used from now on (none: nullptr); main() and test fixtures call it.
void SetClipboard(IClipboard* Clipboard);
// Raises std::runtime_error when none is installed.
IClipboard& Clipboard();

} // namespace platform
