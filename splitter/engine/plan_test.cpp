#include "splitter/engine/plan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

namespace brindlecut {
namespace {

constexpr int B = 0;
constexpr int KB = 1;
constexpr int MB = 2;
constexpr std::int64_t kMiB = 1024 * 1024;
constexpr std::int64_t kGiB = 1024 * kMiB;
constexpr std::int64_t kNoBytes = -1;  // piecesize not computed
constexpr std::int64_t kMaxBytes = std::numeric_limits<std::int64_t>::max();

const char* const kEnterSize = "Enter the size";
const char* const kInvalid = "Invalid Entry";
const char* const kPositive = "Enter a positive value";
const char* const kBigger = "split size bigger than file size";
const char* const kNotSplitting = "You are not splitting the file..Are you?";
const char* const kFloppy = "split size for floppy should not be greater than 1.3 MB";
const char* const kTooMany = "FAR TOO MANY SPLITS.SORRY!!";

struct PlanCase {
    const char* name;
    std::string text;
    int unit;
    std::int64_t filesize;
    int tofloppy;
    const char* refusal;  // nullptr: accepted
    std::optional<double> sizevalue;
    std::int64_t piecesize;  // kNoBytes when not computed
    int piececount;          // 0 when refused
};

void PrintTo(const PlanCase& c, std::ostream* os) { *os << c.name; }

class PlanTable : public ::testing::TestWithParam<PlanCase> {};

TEST_P(PlanTable, RefusesOrPlansAsExpected) {
    const PlanCase& c = GetParam();
    const Plan plan =
        planSplit({c.text, c.unit, c.filesize, c.tofloppy, "/data/file.bin", "size line", "/out"});

    EXPECT_EQ(plan.refusal, c.refusal ? c.refusal : "");
    EXPECT_EQ(plan.accepted(), c.refusal == nullptr);
    EXPECT_EQ(plan.refusal, refusalText(plan.result));
    EXPECT_EQ(plan.result == PlanResult::InvalidEntry, c.refusal == kInvalid);
    EXPECT_EQ(plan.result == PlanResult::TooManyPieces, c.refusal == kTooMany);
    ASSERT_EQ(plan.sizevalue.has_value(), c.sizevalue.has_value());
    if (c.sizevalue && std::isinf(*c.sizevalue)) {
        EXPECT_TRUE(std::isinf(*plan.sizevalue));
    } else if (c.sizevalue) {
        EXPECT_DOUBLE_EQ(*plan.sizevalue, *c.sizevalue);
    }
    ASSERT_EQ(plan.piecesize.has_value(), c.piecesize != kNoBytes);
    if (plan.piecesize) {
        EXPECT_EQ(*plan.piecesize, c.piecesize);
    }
    EXPECT_EQ(plan.piececount, c.piececount);
    EXPECT_EQ(plan.summary.empty(), c.refusal != nullptr);
}

const double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Planning, PlanTable,
    ::testing::Values(
        // Step 1: nothing typed.
        PlanCase{"Empty", "", B, 1000, 0, kEnterSize, std::nullopt, kNoBytes, 0},
        // Step 2: not a plain decimal number.
        PlanCase{"SingleBlank", " ", B, 1000, 0, kInvalid, std::nullopt, kNoBytes, 0},
        PlanCase{"OnlyBlanks", "   ", B, 1000, 0, kInvalid, std::nullopt, kNoBytes, 0},
        PlanCase{"TwoDots", "1.2.3", B, 1000, 0, kInvalid, std::nullopt, kNoBytes, 0},
        PlanCase{"TwoDotsAdjacent", "1..2", B, 1000, 0, kInvalid, std::nullopt, kNoBytes, 0},
        PlanCase{"TrailingLetter", "12a", B, 1000, 0, kInvalid, std::nullopt, kNoBytes, 0},
        PlanCase{"Exponent", "1e3", B, 1000, 0, kInvalid, std::nullopt, kNoBytes, 0},
        PlanCase{"Comma", "1,5", B, 1000, 0, kInvalid, std::nullopt, kNoBytes, 0},
        PlanCase{"DotAlone", ".", B, 1000, 0, kInvalid, std::nullopt, kNoBytes, 0},
        PlanCase{"SignAlone", "-", B, 1000, 0, kInvalid, std::nullopt, kNoBytes, 0},
        PlanCase{"SignAndDot", "+.", B, 1000, 0, kInvalid, std::nullopt, kNoBytes, 0},
        PlanCase{"TwoSigns", "+-5", B, 1000, 0, kInvalid, std::nullopt, kNoBytes, 0},
        PlanCase{"BlankAfterSign", "- 5", B, 1000, 0, kInvalid, std::nullopt, kNoBytes, 0},
        PlanCase{"InnerBlank", "1 2", B, 1000, 0, kInvalid, std::nullopt, kNoBytes, 0},
        PlanCase{"Hex", "0x10", B, 1000, 0, kInvalid, std::nullopt, kNoBytes, 0},
        PlanCase{"Currency", "$5", B, 1000, 0, kInvalid, std::nullopt, kNoBytes, 0},
        PlanCase{"Infinity", "inf", B, 1000, 0, kInvalid, std::nullopt, kNoBytes, 0},
        // Step 3: zero or below.
        PlanCase{"Zero", "0", B, 1000, 0, kPositive, 0.0, kNoBytes, 0},
        PlanCase{"Negative", "-5", B, 1000, 0, kPositive, -5.0, kNoBytes, 0},
        PlanCase{"NegativeZero", "-0.0", MB, 1000, 0, kPositive, 0.0, kNoBytes, 0},
        // Step 4: rounded down to whole bytes; nothing left is not positive.
        PlanCase{"HalfByte", "0.5", B, 1000, 0, kPositive, 0.5, 0, 0},
        PlanCase{"BelowOneByteInKB", "0.0009", KB, 1000, 0, kPositive, 0.0009, 0, 0},
        PlanCase{"OneByteInKB", "0.001", KB, 3, 0, nullptr, 0.001, 1, 3},
        PlanCase{"SurroundingBlanksAndPlus", "  +12 ", B, 100, 0, nullptr, 12.0, 12, 9},
        PlanCase{"LeadingDot", ".5", KB, 3000, 0, nullptr, 0.5, 512, 6},
        PlanCase{"TrailingDot", "5.", B, 11, 0, nullptr, 5.0, 5, 3},
        PlanCase{"TenthOfMB", "0.1", MB, 1000000, 0, nullptr, 0.1, 104857, 10},
        PlanCase{"ExactNotDouble", "2.99999999999999999999", B, 10, 0, nullptr, 3.0, 2, 5},
        PlanCase{"UnknownUnitIsBytes", "10", 7, 25, 0, nullptr, 10.0, 10, 3},
        PlanCase{"NegativeUnitIsBytes", "10", -1, 25, 0, nullptr, 10.0, 10, 3},
        // Steps 5 and 6: against the file size.
        PlanCase{"KBOverThreeThousand", "1", KB, 3000, 0, nullptr, 1.0, 1024, 3},
        PlanCase{"KBExactThree", "1", KB, 3072, 0, nullptr, 1.0, 1024, 3},
        PlanCase{"EqualsFile", "1000", B, 1000, 0, kNotSplitting, 1000.0, 1000, 0},
        PlanCase{"RoundsDownToFile", "1000.9", B, 1000, 0, kNotSplitting, 1000.9, 1000, 0},
        PlanCase{"BiggerByOne", "1001", B, 1000, 0, kBigger, 1001.0, 1001, 0},
        PlanCase{"EmptyFile", "1", B, 0, 0, kBigger, 1.0, 1, 0},
        PlanCase{"OverflowsInt64", "99999999999999999999999", MB, 1000, 0, kBigger, 1e23, kMaxBytes, 0},
        PlanCase{"OverflowsDouble", std::string(400, '9'), B, 1000, 0, kBigger, kInf, kMaxBytes, 0},
        // Step 5 comes before step 7, step 6 before step 7.
        PlanCase{"FloppyBigger", "3", MB, 2 * kMiB, 1, kBigger, 3.0, 3 * kMiB, 0},
        PlanCase{"FloppyEqual", "2", MB, 2 * kMiB, 1, kNotSplitting, 2.0, 2 * kMiB, 0},
        // Step 7: the diskette limit, 1.3 MB rounded down to 1363148 bytes.
        PlanCase{"FloppyAtLimitMB", "1.3", MB, 2 * kMiB, 1, nullptr, 1.3, 1363148, 2},
        PlanCase{"FloppyOverLimitMB", "1.31", MB, 2 * kMiB, 1, kFloppy, 1.31, 1373634, 0},
        PlanCase{"FolderOverLimitMB", "1.31", MB, 2 * kMiB, 0, nullptr, 1.31, 1373634, 2},
        PlanCase{"FloppyLimitBytes", "1363148", B, 2 * kMiB, 1, nullptr, 1363148.0, 1363148, 2},
        PlanCase{"FloppyLimitPlusOne", "1363149", B, 2 * kMiB, 1, kFloppy, 1363149.0, 1363149, 0},
        PlanCase{"FloppyLimitKB", "1331.2", KB, 2 * kMiB, 1, nullptr, 1331.2, 1363148, 2},
        PlanCase{"FloppyJustOverKB", "1331.201", KB, 2 * kMiB, 1, kFloppy, 1331.201, 1363149, 0},
        // Steps 9 and 10: the piece count.
        PlanCase{"MaxPieces", "1", B, 32767, 0, nullptr, 1.0, 1, 32767},
        PlanCase{"OneTooMany", "1", B, 32768, 0, kTooMany, 1.0, 1, 0},
        PlanCase{"FarTooMany", "1", B, 40000, 0, kTooMany, 1.0, 1, 0},
        PlanCase{"MaxPiecesUneven", "2", B, 65533, 0, nullptr, 2.0, 2, 32767},
        PlanCase{"MaxPiecesExact", "2", B, 65534, 0, nullptr, 2.0, 2, 32767},
        PlanCase{"OneTooManyUneven", "2", B, 65535, 0, kTooMany, 2.0, 2, 0},
        PlanCase{"FloppyTooMany", "1", KB, 40000 * 1024LL, 1, kTooMany, 1.0, 1024, 0},
        // Files of 2 GiB and more are planned exactly.
        PlanCase{"ThreeGiBInGiBPieces", "1024", MB, 3 * kGiB, 0, nullptr, 1024.0, kGiB, 3},
        PlanCase{"ThreeGiBPlusOne", "1024", MB, 3 * kGiB + 1, 0, nullptr, 1024.0, kGiB, 4},
        PlanCase{"FiveGiBIn1MB", "1", MB, 5 * kGiB, 0, nullptr, 1.0, kMiB, 5120},
        PlanCase{"TooManyOfHugeFile", "1", MB, 40 * kGiB, 0, kTooMany, 1.0, kMiB, 0},
        PlanCase{"HugeFileHalf", "4611686018427387904", B, kMaxBytes, 0, nullptr, 4611686018427387904.0,
                 std::int64_t{1} << 62, 2}),
    [](const ::testing::TestParamInfo<PlanCase>& info) { return std::string(info.param.name); });

TEST(PlanSummary, FolderSummaryIsExactToTheByte) {
    const Plan plan = planSplit({"1000", B, 3500, 0, "/a/b.dat", "FILE SIZE : 3.42 KB", "/out"});
    ASSERT_TRUE(plan.accepted());
    EXPECT_EQ(plan.piececount, 4);
    EXPECT_EQ(plan.summary,
              "ORIGINAL PATH           : /a/b.dat\r\n"
              "\r\n"
              " FILE SIZE : 3.42 KB\r\n"
              "\r\n"
              "SPLIT DESTINATION    : /out\r\n"
              "\r\n"
              "NUMBER OF SPLITS     : 4\r\n");
}

TEST(PlanSummary, DisketteSummaryNamesDriveA) {
    const Plan plan = planSplit({"1.3", MB, 13631480, 1, "/home/u/big file.iso", "13 MB", "/ignored"});
    ASSERT_TRUE(plan.accepted());
    EXPECT_EQ(plan.piececount, 10);
    EXPECT_EQ(plan.summary,
              "ORIGINAL PATH           : /home/u/big file.iso\r\n\r\n 13 MB\r\n\r\n"
              "SPLIT DESTINATION    : A:\r\n\r\nNUMBER OF SPLITS     : 10\r\n");
}

TEST(PlanSummary, CountIsPlainDigits) {
    const Plan plan = planSplit({"1", B, 32767, 0, "s", "t", "/"});
    ASSERT_TRUE(plan.accepted());
    const std::string tail = "NUMBER OF SPLITS     : 32767\r\n";
    ASSERT_GE(plan.summary.size(), tail.size());
    EXPECT_EQ(plan.summary.substr(plan.summary.size() - tail.size()), tail);
    EXPECT_NE(plan.summary.find("SPLIT DESTINATION    : /\r\n"), std::string::npos);
}

TEST(ParseSize, ReadsOnlyPlainDecimals) {
    struct {
        const char* text;
        std::optional<double> value;
    } const cases[] = {
        {"12", 12.0}, {" 12 ", 12.0}, {"\t7\t", 7.0}, {"+3.5", 3.5}, {"-3.5", -3.5}, {".25", 0.25},
        {"4.", 4.0},  {"007", 7.0},   {"", {}},       {" ", {}},     {"1.2.3", {}},  {"12a", {}},
        {"1e3", {}},  {"1,5", {}},    {".", {}},      {"+", {}},     {"nan", {}},    {"1_000", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto got = parseSize(c.text);
        ASSERT_EQ(got.has_value(), c.value.has_value());
        if (got) {
            EXPECT_DOUBLE_EQ(*got, *c.value);
        }
    }
}

// Each refusal is told in its own message and named by its own result, so the
// window can act on the result without reading the text.
TEST(PlanResults, EachRefusalHasItsOwnResultAndMessage) {
    const struct {
        const char* text;
        int unit;
        int tofloppy;
        std::int64_t filesize;
        PlanResult result;
        const char* message;
    } cases[] = {
        {"", B, 0, 1000, PlanResult::EmptySize, kEnterSize},
        {"1.2.3", B, 0, 1000, PlanResult::InvalidEntry, kInvalid},
        {"0", B, 0, 1000, PlanResult::NotPositive, kPositive},
        {"1001", B, 0, 1000, PlanResult::BiggerThanFile, kBigger},
        {"1000", B, 0, 1000, PlanResult::WholeFile, kNotSplitting},
        {"1.31", MB, 1, 2 * kMiB, PlanResult::TooBigForDiskette, kFloppy},
        {"1", B, 0, 40000, PlanResult::TooManyPieces, kTooMany},
        {"1", KB, 0, 3000, PlanResult::Accepted, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const Plan plan = planSplit({c.text, c.unit, c.filesize, c.tofloppy, "/f", "line", "/out"});
        EXPECT_EQ(plan.result, c.result);
        EXPECT_STREQ(refusalText(c.result), c.message);
        EXPECT_EQ(plan.refusal, c.message);
    }
}

}  // namespace
}  // namespace brindlecut
