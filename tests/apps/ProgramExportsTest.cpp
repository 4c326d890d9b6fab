// The console exports the checksum and byte functions by name: they are looked up and called in
// the built program itself.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

TEST(ProgramExports, ConsoleExportsChecksumsByName) {
    auto file =
        std::filesystem::temp_directory_path() / ("lumacue-exports-" + std::to_string(::getpid()) + ".bin");
    std::ofstream(file, std::ios::binary) << "123456789";
    // The sanitizer runtime of an instrumented program must not refuse the preloaded probe.
    std::string cmd = "ASAN_OPTIONS=verify_asan_link_order=0 LD_PRELOAD='" LUMACUE_EXPORT_PROBE
                      "' LUMACUE_EXPORT_PROBE_FILE='" +
                      file.string() + "' '" LUMACUE_PROGRAM "' 2>&1";
    FILE* p = ::popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[512];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
        out.append(buf, n);
    int rc = ::pclose(p);
    std::filesystem::remove(file);
    EXPECT_EQ(rc, 0) << out;
    EXPECT_NE(out.find("missing: none\n"), std::string::npos) << out;
    EXPECT_NE(out.find("genCRC8=04\n"), std::string::npos) << out;
    EXPECT_NE(out.find("FileCRC32=CBF43926\n"), std::string::npos) << out;
}
