#include "kernel.h"
#include "mapped_file.h"
#include "test_support.h"

#include <cstring>
#include <unistd.h>

class KernelTest : public TempDirTest {};

TEST_F(KernelTest, TempPathEndsInASlash) {
    char buf[512];
    DWORD n = GetTempPathA(sizeof buf, buf);
    EXPECT_EQ(std::string(buf, n), dir_);
    EXPECT_GT(GetTempPathA(2, buf), 2u);  // too small: the size needed
    unsetenv("TMPDIR");
    GetTempPathA(sizeof buf, buf);
    EXPECT_STREQ(buf, "/tmp/");
}

TEST_F(KernelTest, MappedFileThatShrinksReadsZeros) {
    std::string path = Write("shrink.bin", Bytes(3 * 65536, 'x'));
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD size = GetFileSize(f, nullptr);
    HANDLE m = CreateFileMappingA(f, nullptr, PAGE_READONLY, 0, size, nullptr);
    const auto* view = static_cast<const volatile uint8_t*>(MapViewOfFile(m, FILE_MAP_READ, 0, 0, size));
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(truncate(path.c_str(), 100), 0);
    EXPECT_EQ(view[50], 'x');
    EXPECT_EQ(view[size - 1], 0);  // would have been SIGBUS
    EXPECT_EQ(view[70000], 0);
    EXPECT_TRUE(UnmapViewOfFile(const_cast<const uint8_t*>(view)));
    CloseHandle(m);
    CloseHandle(f);
}

TEST_F(KernelTest, MappedFilesOpenReopenAndRefuseMissingOnes) {
    MappedFile f;
    EXPECT_FALSE(f.Open((dir_ + "missing").c_str()));
    EXPECT_EQ(f.size(), 0u);
    ASSERT_TRUE(f.Open(Write("empty", {}).c_str()));
    EXPECT_EQ(f.size(), 0u);
    ASSERT_TRUE(f.Open(Write("three", {1, 2, 3}).c_str()));  // the earlier view is closed first
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(f.data()[2], 3);
    f.Close();
    EXPECT_EQ(f.data(), nullptr);
}

TEST_F(KernelTest, CreateNewRefusesExistingNamesAndLinks) {
    std::string path = dir_ + "a";
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    CloseHandle(f);
    EXPECT_EQ(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
    ASSERT_EQ(symlink(path.c_str(), (dir_ + "link").c_str()), 0);
    EXPECT_EQ(CreateFileA((dir_ + "link").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileA(dir_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileA(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
}

TEST(KernelText, Windows1252AndUtf8) {
    WCHAR out[8];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "a\x80\xE9\x9F", 4, out, 8), 4);
    EXPECT_EQ(out[0], u'a');
    EXPECT_EQ(out[1], 0x20AC);
    EXPECT_EQ(out[2], 0xE9);
    EXPECT_EQ(out[3], 0x0178);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xE2\x82\xAC\xF0\x9F\x98\x80", 7, out, 8), 3);
    EXPECT_EQ(out[0], 0x20AC);
    EXPECT_EQ(out[1], 0xD83D);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0), 4);  // with the terminator
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abcdef", 6, out, 2), 0);    // does not fit
    // A sequence cut short at the end gives replacement characters.
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xE2\x82", 2, out, 8), 2);
    EXPECT_EQ(out[0], 0xFFFD);
}

TEST(KernelClock, TickCountMovesForward) {
    DWORD a = GetTickCount();
    usleep(20000);
    DWORD b = GetTickCount();
    EXPECT_GE(b - a, 15u);
    EXPECT_LT(b - a, 5000u);
}
