#include "platform/qt/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <gtest/gtest.h>

using platform::qt::TQtClipboard;

TEST(QtClipboard, BytesTravelUnderTheRegisteredName) {
    TQtClipboard clipboard;
    EXPECT_EQ(&platform::Clipboard(), &clipboard);
    uint32_t fmt = clipboard.RegisterFormat("Lumacue Scenes");
    EXPECT_EQ(clipboard.RegisterFormat("Lumacue Scenes"), fmt);
    uint32_t other = clipboard.RegisterFormat("Other");
    EXPECT_NE(other, fmt);

    const std::vector<uint8_t> bytes = {0xFF, 0xFE, '<', 0, 0, 7};
    clipboard.SetData(fmt, bytes);
    EXPECT_TRUE(clipboard.HasFormat(fmt));
    EXPECT_FALSE(clipboard.HasFormat(other));
    EXPECT_EQ(clipboard.GetData(fmt), bytes);
    EXPECT_TRUE(
        QGuiApplication::clipboard()->mimeData()->hasFormat(TQtClipboard::MimeTypeOf("Lumacue Scenes")));

    QGuiApplication::clipboard()->setText("plain text from elsewhere");
    EXPECT_FALSE(clipboard.HasFormat(fmt));
    EXPECT_TRUE(clipboard.GetData(fmt).empty());
}
