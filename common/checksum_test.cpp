#include "common/checksum.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <memory>

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

TEST(Checksums, LinesAreFoundAsWrittenAndOthersPassedOver) {
    const ChecksumEntry a{"b5e9c1ad071b3e7fc779cfaa5e523818", "a.bin.1"};
    const ChecksumEntry b{"99aa06d3014798d86001c324468d497f", "a, b.bin.2"};
    EXPECT_EQ(checksumLine(a), "b5e9c1ad071b3e7fc779cfaa5e523818  a.bin.1\n");
    const std::string text = checksumLine(a) + checksumLine(b);
    std::size_t from = 0;
    EXPECT_EQ(listedHashIn(text, "a, b.bin.2", from), b.hex);
    EXPECT_EQ(from, text.size()) << "the cursor moves past the line found";
    EXPECT_EQ(listedHashIn(text, "a.bin.1", from), a.hex) << "found again from the start";
    EXPECT_EQ(listedHashIn(text, "a.bin.3", from), "");
    EXPECT_EQ(listedHashIn(text, "a.bin", from), "") << "a name is matched whole";

    for (const char* bad :
         {"", "b5e9c1ad071b3e7fc779cfaa5e523818 x\n", "b5e9c1ad071b3e7fc779cfaa5e52381  x\n",
          "b5e9c1ad071b3e7fc779cfaa5e523818  x \n", "b5e9c1ad071b3e7fc779cfaa5e523818  xy\n"}) {
        std::size_t at = 0;
        EXPECT_EQ(listedHashIn(bad, "x", at), "") << bad;
    }
}

TEST(ReadSmallFile, ReadsAFileWholeAndRefusesAPipeWithoutWaiting) {
    testing::TempDir tmp;
    FileSystem& fs = systemFileSystem();
    testing::writeFile(tmp / "sums", "abc\n");
    ASSERT_EQ(::mkfifo((tmp / "pipe").c_str(), 0600), 0);
    std::string text;
    EXPECT_EQ(readSmallFile(fs, tmp / "sums", 100, text), 0);
    EXPECT_EQ(text, "abc\n");
    EXPECT_EQ(readSmallFile(fs, tmp / "sums", 3, text), EFBIG);
    EXPECT_EQ(readSmallFile(fs, tmp / "pipe", 100, text), EINVAL);
    EXPECT_EQ(readSmallFile(fs, tmp / "missing", 100, text), ENOENT);
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

// A prompter that counts the progress it is shown and cancels at a chosen call.
class CountingPrompter : public Prompter {
public:
    explicit CountingPrompter(int cancelAtCall = 0) : cancelAtCall_(cancelAtCall) {}
    void tell(const std::string&) override {}
    bool askOkCancel(const std::string&) override { return true; }
    bool askYesNo(const std::string&) override { return true; }
    bool progress(const std::string&, std::int64_t done, std::int64_t) override {
        last = done;
        return ++calls != cancelAtCall_;
    }
    int calls = 0;
    std::int64_t last = 0;

private:
    int cancelAtCall_;
};

// Copies of one and of several chunks, between offsets of both files, with and
// without the hash: the bytes land exactly where they belong, nothing else in
// the target changes, the hash is that of the bytes copied, the progress adds
// up to the length; a cancel stops the copy after the chunk it was asked in.
TEST(CopyInChunks, CopiesAndHashesExactlyTheRangeAskedFor) {
    constexpr std::int64_t MiB = 1024 * 1024;
    testing::TempDir tmp;
    const std::string source = testing::patternBytes(13 * MiB + 7, 3);
    testing::writeFile(tmp / "source", source);
    struct Case {
        const char* name;
        std::int64_t fromOffset, toOffset, length;
        bool hashed;
        int cancelAtCall;
    };
    const Case cases[] = {
        {"one byte", 5, 0, 1, true, 0},
        {"within the first chunk", 100, 3, MiB + 1, true, 0},
        {"several chunks", 7, 11, 13 * MiB, true, 0},
        {"several chunks unhashed", 0, 0, 13 * MiB + 7, false, 0},
        {"cancelled in the first chunk", 0, 0, 13 * MiB, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string target(c.toOffset + c.length + 5, 'x');
        testing::writeFile(tmp / "target", target);
        FileSystem& fs = systemFileSystem();
        std::unique_ptr<File> from, to;
        ASSERT_EQ(fs.openRead(tmp / "source", from), 0);
        ASSERT_EQ(fs.openWrite(tmp / "target", to), 0);
        CountingPrompter prompter(c.cancelAtCall);
        PieceHash hash;
        Errno e = 0;
        {
            ProgressTracker tracker(prompter, c.length);
            e = copyInChunks(fs, *from, c.fromOffset, *to, c.toOffset, c.length, tracker,
                             c.hashed ? &hash : nullptr);
        }
        ASSERT_EQ(to->close(), 0);
        const std::string copied = source.substr(c.fromOffset, c.length);
        const std::string written = testing::readFile(tmp / "target");
        if (c.cancelAtCall) {
            EXPECT_EQ(e, ECANCELED);
            EXPECT_EQ(prompter.calls, c.cancelAtCall);
            EXPECT_LT(prompter.last, c.length);
            EXPECT_EQ(written.substr(c.toOffset, prompter.last), copied.substr(0, prompter.last));
            EXPECT_EQ(written.substr(c.toOffset + prompter.last), target.substr(c.toOffset + prompter.last));
            continue;
        }
        ASSERT_EQ(e, 0);
        EXPECT_EQ(prompter.last, c.length);
        EXPECT_EQ(prompter.calls > 1, c.length > 4 * MiB);
        EXPECT_EQ(written.substr(0, c.toOffset), target.substr(0, c.toOffset));
        EXPECT_TRUE(written.substr(c.toOffset, c.length) == copied);
        EXPECT_EQ(written.substr(c.toOffset + c.length), "xxxxx");
        if (c.hashed) {
            PieceHash whole;
            whole.update(copied.data(), copied.size());
            EXPECT_EQ(hash.hex(), whole.hex());
        }
    }
}

}  // namespace
}  // namespace brindlecut
