#include "convert_print_job.h"
#include "page_files.h"
#include "spool_reader.h"
#include "test_support.h"

#include <filesystem>
#include <sys/stat.h>

namespace {
void Put32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

Bytes Header(uint32_t headerSize = 8) {
    Bytes b;
    Put32(b, 0x10000);
    Put32(b, headerSize);
    while (b.size() < headerSize && b.size() < 64) b.push_back(0);
    return b;
}

void Record(Bytes& b, uint32_t type, const Bytes& data, bool longHeader = false) {
    Put32(b, type);
    Put32(b, static_cast<uint32_t>(data.size()));
    if (longHeader) Put32(b, 0), Put32(b, 0);
    b.insert(b.end(), data.begin(), data.end());
}

Bytes Marked(uint8_t tag, size_t n = 32) { return Bytes(n, tag); }
}  // namespace

class SpoolReaderTest : public TempDirTest {
protected:
    PageList Walk(const Bytes& file, bool* result = nullptr) {
        PageList pages;
        bool r = SpoolReader().Walk(PrintJob{"job.spl", file.data(), file.size()}, pages);
        if (result) *result = r;
        return pages;
    }
};

TEST_F(SpoolReaderTest, WritesEachPageRecordUnchangedInOrder) {
    Bytes f = Header();
    Record(f, 12, Marked('a'));
    Record(f, 3, Marked('x'));
    Record(f, 12, Marked('b', 40));
    Record(f, 12, Marked('c', 8));
    PageList pages = Walk(f);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(ReadFileBytes(pages[0]), Marked('a'));
    EXPECT_EQ(ReadFileBytes(pages[1]), Marked('b', 40));
    EXPECT_EQ(ReadFileBytes(pages[2]), Marked('c', 8));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(pages[i].rfind(dir_ + "/", 0), 0u) << pages[i];
        EXPECT_EQ(pages[i].substr(pages[i].size() - 9), "_000" + std::to_string(i + 1) + ".emf");
        struct stat st;
        ASSERT_EQ(stat(pages[i].c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
    }
}

TEST_F(SpoolReaderTest, LongHeaderRecordsSkipSixteenBytes) {
    Bytes f = Header();
    // Type 15 with 8 data bytes occupies 24 bytes; the data would look like a page record otherwise.
    Bytes fake;
    Put32(fake, 12);
    Put32(fake, 0);
    Record(f, 15, fake, true);
    Record(f, 0, Marked('z', 4));
    Record(f, 77, Marked('z', 12));
    Record(f, 12, Marked('p'));
    PageList pages = Walk(f);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(ReadFileBytes(pages[0]), Marked('p'));
}

TEST_F(SpoolReaderTest, SignatureAndHeaderChecks) {
    bool result = true;
    EXPECT_TRUE(Walk({'E', 'M', 'F', 0, 0, 0, 0, 0}, &result).empty());
    EXPECT_FALSE(result);
    // Header size at or beyond the end: walked, nothing found.
    Bytes past = Header(8);
    past[4] = 200;
    EXPECT_TRUE(Walk(past, &result).empty());
    EXPECT_TRUE(result);
    // A header size under 8 would read the header as a record: nothing is walked.
    for (uint32_t small : {0u, 4u, 7u}) {
        Bytes f = Header(8);
        f[4] = static_cast<uint8_t>(small);
        Record(f, 12, Marked('q'));
        EXPECT_TRUE(Walk(f, &result).empty()) << small;
    }
    // Signature but no page record.
    Bytes none = Header();
    Record(none, 3, Marked('x'));
    EXPECT_TRUE(Walk(none, &result).empty());
    EXPECT_TRUE(result);
}

TEST_F(SpoolReaderTest, TruncatedRecordsEndTheWalk) {
    Bytes f = Header();
    Record(f, 12, Marked('a'));
    Bytes good = f;
    // Data size reaching past the end.
    Bytes over = good;
    Put32(over, 12);
    Put32(over, 1000);
    over.insert(over.end(), 16, 'b');
    EXPECT_EQ(Walk(over).size(), 1u);
    // Data size that would wrap the cursor round.
    Bytes wrap = good;
    Put32(wrap, 12);
    Put32(wrap, 0xFFFFFFF8u);
    wrap.insert(wrap.end(), 16, 'b');
    EXPECT_EQ(Walk(wrap).size(), 1u);
    // Record header cut off.
    Bytes cut = good;
    Put32(cut, 12);
    cut.push_back(1);
    EXPECT_EQ(Walk(cut).size(), 1u);
    // Long record header cut off.
    Bytes cutLong = good;
    Put32(cutLong, 16);
    Put32(cutLong, 0);
    Put32(cutLong, 0);
    EXPECT_EQ(Walk(cutLong).size(), 1u);
}

TEST_F(SpoolReaderTest, ExistingNamesAreNeverOverwritten) {
    Bytes f = Header();
    Record(f, 12, Marked('a'));
    Record(f, 12, Marked('b'));
    // Two walks in the same tick would want the same names.
    PageList first = Walk(f);
    PageList second = Walk(f);
    ASSERT_EQ(first.size(), 2u);
    ASSERT_EQ(second.size(), 2u);
    for (const auto& name : second) EXPECT_EQ(std::count(first.begin(), first.end(), name), 0) << name;
    EXPECT_EQ(ReadFileBytes(first[0]), Marked('a'));
    EXPECT_EQ(ReadFileBytes(second[1]), Marked('b'));
}

TEST_F(SpoolReaderTest, LinksInTheTemporaryDirectoryAreNotFollowed) {
    Bytes f = Header();
    Record(f, 12, Marked('a'));
    std::string victim = dir_ + "victim";
    WriteFileBytes(victim, Marked('v', 4));
    // Plant links under every name the next milliseconds would give page 1.
    DWORD tick = GetTickCount();
    for (DWORD t = tick; t < tick + 200; ++t) {
        char name[64];
        snprintf(name, sizeof name, "/%08d_0001.emf", static_cast<int>(t));
        std::filesystem::create_symlink(victim, dir_ + name);
    }
    PageList pages = Walk(f);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_FALSE(std::filesystem::is_symlink(pages[0]));
    EXPECT_EQ(ReadFileBytes(victim), Marked('v', 4));
}

TEST_F(SpoolReaderTest, ConvertPrintJobRoutesSpoolFilesAndOnlyThem) {
    Bytes f = Header();
    Record(f, 12, Marked('a'));
    PageList pages;
    EXPECT_TRUE(ConvertPrintJob(Write("a.spl", f).c_str(), pages));
    EXPECT_EQ(pages.size(), 1u);
    PageList text;
    EXPECT_TRUE(ConvertPrintJob(Write("a.txt", Bytes(100, 'a')).c_str(), text));
    EXPECT_TRUE(text.empty());
    PageList missing;
    EXPECT_FALSE(ConvertPrintJob((dir_ + "nothing-here").c_str(), missing));
    PageList empty;
    EXPECT_TRUE(ConvertPrintJob(Write("empty", {}).c_str(), empty));
    EXPECT_TRUE(empty.empty());
}

TEST(PageFileNames, TempDirectoryTickAndPageNumber) {
    EXPECT_EQ(PageFileName("/tmp/", 1234567, 2), "/tmp//01234567_0002.emf");
    EXPECT_EQ(PageFileName("/var/tmp/", 123456789, 12345), "/var/tmp//123456789_12345.emf");
}
