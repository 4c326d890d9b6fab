#include "platform/qt/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace platform::qt {

TQtClipboard::TQtClipboard() {
    SetClipboard(this);
}

TQtClipboard::~TQtClipboard() {
    SetClipboard(nullptr);
}

// Qt turns this MIME form into a clipboard format registered under exactly that name on
// Windows, so other programs that register the same name see our data; elsewhere it is a plain
// MIME type of its own.
QString TQtClipboard::MimeTypeOf(const std::string& Name) {
    return QStringLiteral("application/x-qt-windows-mime;value=\"%1\"").arg(QString::fromStdString(Name));
}

uint32_t TQtClipboard::RegisterFormat(const std::string& Name) {
    auto it = FNumbers.find(Name);
    if (it != FNumbers.end()) return it->second;
    // Numbers start where the system's own predefined formats end, as registered formats do.
    uint32_t number = 0xC000u + uint32_t(FNumbers.size());
    FNumbers.emplace(Name, number);
    FFormats.emplace(number, MimeTypeOf(Name));
    return number;
}

bool TQtClipboard::HasFormat(uint32_t Format) {
    auto it = FFormats.find(Format);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return it != FFormats.end() && data && data->hasFormat(it->second);
}

std::vector<uint8_t> TQtClipboard::GetData(uint32_t Format) {
    if (!HasFormat(Format)) return {};
    QByteArray bytes = QGuiApplication::clipboard()->mimeData()->data(FFormats[Format]);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

void TQtClipboard::SetData(uint32_t Format, const std::vector<uint8_t>& Data) {
    auto it = FFormats.find(Format);
    if (it == FFormats.end()) return;
    auto* mime = new QMimeData; // the clipboard takes it over
    mime->setData(it->second, QByteArray(reinterpret_cast<const char*>(Data.data()), qsizetype(Data.size())));
    QGuiApplication::clipboard()->setMimeData(mime);
}

} // namespace platform::qt
