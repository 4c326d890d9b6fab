// The clipboard seam on Qt's clipboard, used by the programs.
#pragma once

#include <QString>
#include <map>

#include "platform/Clipboard.h"

namespace platform::qt {

class TQtClipboard : public IClipboard {
public:
    TQtClipboard(); // installs itself; needs a QGuiApplication
    ~TQtClipboard() override;
    uint32_t RegisterFormat(const std::string& Name) override;
    bool HasFormat(uint32_t Format) override;
    std::vector<uint8_t> GetData(uint32_t Format) override;
    void SetData(uint32_t Format, const std::vector<uint8_t>& Data) override;

    // The MIME type a registered name travels under.
    static QString MimeTypeOf(const std::string& Name);

private:
    std::map<uint32_t, QString> FFormats;
    std::map<std::string, uint32_t> FNumbers;
};

} // namespace platform::qt
