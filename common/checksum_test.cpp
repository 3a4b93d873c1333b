#include "common/checksum.h"

#include <gtest/gtest.h>

#include <chrono>

#include "common/copy.h"
#include "tests/support/temp_dir.h"

namespace brindlecut {
namespace {

// Values printed by `xxhsum -H2` for the same bytes.
TEST(PieceHash, GivesWhatXxhsumPrintsWhateverTheStepsOfTheStream) {
    const std::string million(1000000, 'a');
    struct Case {
        std::string bytes;
        std::size_t step;
        const char* hex;
    };
    const Case cases[] = {
        {"", 1, "99aa06d3014798d86001c324468d497f"},
        {"hello", 5, "b5e9c1ad071b3e7fc779cfaa5e523818"},
        {"hello", 2, "b5e9c1ad071b3e7fc779cfaa5e523818"},
        {million, million.size(), "a545df8e384a9579b1fd6fae5285c4eb"},
        {million, 4093, "a545df8e384a9579b1fd6fae5285c4eb"},
    };
    for (const Case& c : cases) {
        PieceHash hash;
        for (std::size_t at = 0; at < c.bytes.size(); at += c.step)
            hash.update(c.bytes.data() + at, std::min(c.step, c.bytes.size() - at));
        EXPECT_EQ(hash.hex(), c.hex) << c.bytes.size() << " bytes in steps of " << c.step;
    }

    testing::TempDir tmp;
    testing::writeFile(tmp / "a", "xx" + million + "yy");
    std::unique_ptr<File> file;
    ASSERT_EQ(systemFileSystem().openRead(tmp / "a", file), 0);
    PieceHash range;
    ASSERT_EQ(hashRange(*file, 2, 1000000, range), 0);
    EXPECT_EQ(range.hex(), "a545df8e384a9579b1fd6fae5285c4eb");
    PieceHash past;
    EXPECT_EQ(hashRange(*file, 2, 1000003, past), ENODATA);
}

TEST(Checksums, ParseWhatIsWrittenAndRefuseWhatIsNot) {
    const ChecksumEntry a{"b5e9c1ad071b3e7fc779cfaa5e523818", "a.bin.1"};
    const ChecksumEntry b{"99aa06d3014798d86001c324468d497f", "a, b.bin.2"};
    EXPECT_EQ(checksumLine(a), "b5e9c1ad071b3e7fc779cfaa5e523818  a.bin.1\n");
    std::vector<ChecksumEntry> read;
    ASSERT_TRUE(parseChecksums(checksumLine(a) + checksumLine(b), read));
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(listedHash(read, "a, b.bin.2"), b.hex);
    EXPECT_EQ(listedHash(read, "a.bin.3"), "");

    ASSERT_TRUE(parseChecksums("B5E9C1AD071B3E7FC779CFAA5E523818  x\r\n", read));
    EXPECT_EQ(listedHash(read, "x"), a.hex);
    for (const char* bad :
         {"", "b5e9c1ad071b3e7fc779cfaa5e523818 x\n", "b5e9c1ad071b3e7fc779cfaa5e52381  x\n",
          "g5e9c1ad071b3e7fc779cfaa5e523818  x\n", "b5e9c1ad071b3e7fc779cfaa5e523818  \n",
          "b5e9c1ad071b3e7fc779cfaa5e523818  x\n\n"})
        EXPECT_FALSE(parseChecksums(bad, read)) << bad;
}

// Chunks are sized to take about a tenth of a second, grow at most twofold
// and stay between 256 KiB and 64 MiB, in whole 256 KiB steps.
TEST(NextChunk, SizesChunksToATenthOfASecond) {
    using std::chrono::milliseconds;
    constexpr std::int64_t MiB = 1024 * 1024;
    struct Case {
        std::int64_t chunk;
        milliseconds took;
        std::int64_t next;
    };
    const Case cases[] = {
        {4 * MiB, milliseconds(10), 8 * MiB},       // fast: doubles
        {64 * MiB, milliseconds(1), 64 * MiB},      // never above 64 MiB
        {4 * MiB, milliseconds(400), 1 * MiB},      // a slow stick: shrinks to 100 ms worth
        {4 * MiB, milliseconds(100), 4 * MiB},      // just right: stays
        {1 * MiB, milliseconds(5000), 256 * 1024},  // never below 256 KiB
        {4 * MiB, milliseconds(0), 8 * MiB},        // too quick to measure
        {3 * MiB, milliseconds(150), 2 * MiB},      // 2 MiB worth, in whole steps
    };
    for (const Case& c : cases)
        EXPECT_EQ(nextChunk(c.chunk, c.took), c.next) << c.chunk << " bytes in " << c.took.count() << " ms";
}

}  // namespace
}  // namespace brindlecut
