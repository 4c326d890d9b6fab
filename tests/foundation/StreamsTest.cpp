#include "foundation/Streams.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "foundation/Exceptions.h"

using namespace foundation;

TEST(Streams, MemoryStreamReadsWhatWasWrittenAndStopsAtTheEnd) {
    TMemoryStream s;
    s.Write(TBytes{1, 2, 3});
    s.SetPosition(1);
    uint8_t buf[4] = {};
    EXPECT_EQ(s.Read(buf, 4), 2u);
    EXPECT_EQ(buf[0], 2);
    EXPECT_EQ(buf[1], 3);
    s.SetPosition(0);
    EXPECT_THROW(s.ReadBuffer(buf, 4), Exception);
}

TEST(Streams, FileStreamRoundTripAndMissingFile) {
    auto path = (std::filesystem::temp_directory_path() / "lumacue-streams-test.bin").string();
    {
        TFileStream f(path, TFileMode::fmCreate);
        f.Write(TBytes{9, 8, 7});
        f.Close();
    }
    TFileStream f(path, TFileMode::fmOpenRead);
    EXPECT_EQ(f.GetSize(), 3);
    uint8_t buf[3];
    f.ReadBuffer(buf, 3);
    EXPECT_EQ(buf[2], 7);
    std::filesystem::remove(path);
    EXPECT_THROW(TFileStream(path, TFileMode::fmOpenRead), EOSError);
}
