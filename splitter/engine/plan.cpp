#include "splitter/engine/plan.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "common/contract.h"

namespace brindlecut {

namespace {

// A typed number kept as its decimal digits, so that the piece size in whole
// bytes can be computed exactly: a double would turn "2.99999999999999999" B
// into 3 bytes, and huge entries would overflow before they could be refused.
struct Decimal {
    bool negative = false;
    std::string whole;     // digits before the ".", possibly empty
    std::string fraction;  // digits after the ".", possibly empty
};

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::optional<Decimal> readDecimal(const std::string& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && isBlank(text[first])) ++first;
    while (last > first && isBlank(text[last - 1])) --last;
    if (first == last) return std::nullopt;

    Decimal out;
    std::size_t at = first;
    if (text[at] == '+' || text[at] == '-') {
        out.negative = text[at] == '-';
        ++at;
    }
    bool dot = false;
    for (; at < last; ++at) {
        const char c = text[at];
        if (c == '.') {
            if (dot) return std::nullopt;
            dot = true;
        } else if (isDigit(c)) {
            (dot ? out.fraction : out.whole) += c;
        } else {
            return std::nullopt;
        }
    }
    if (out.whole.empty() && out.fraction.empty()) return std::nullopt;
    return out;
}

bool isZero(const Decimal& d) {
    auto zero = [](const std::string& digits) {
        return std::all_of(digits.begin(), digits.end(), [](char c) { return c == '0'; });
    };
    return zero(d.whole) && zero(d.fraction);
}

double toDouble(const Decimal& d) {
    // from_chars, unlike strtod, ignores the locale that the window toolkit sets.
    std::string digits = (d.whole.empty() ? std::string("0") : d.whole);
    if (!d.fraction.empty()) digits += "." + d.fraction;
    double value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        const bool huge = std::any_of(d.whole.begin(), d.whole.end(), [](char c) { return c != '0'; });
        value = huge ? std::numeric_limits<double>::infinity() : std::numeric_limits<double>::denorm_min();
    }
    return d.negative ? -value : value;
}

// floor(d * factor) for a positive d; nullopt when it does not fit in 64 bits.
std::optional<std::int64_t> wholeBytes(const Decimal& d, std::int64_t factor) {
    // Multiply the digit string, least significant digit first, by the factor.
    std::string digits = d.whole + d.fraction;
    std::int64_t carry = 0;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        const std::int64_t product = (*it - '0') * factor + carry;
        *it = static_cast<char>('0' + product % 10);
        carry = product / 10;
    }
    std::string whole = carry > 0 ? std::to_string(carry) : std::string();
    whole += digits.substr(0, digits.size() - d.fraction.size());
    const auto nonZero = whole.find_first_not_of('0');
    if (nonZero == std::string::npos) return std::int64_t{0};
    whole.erase(0, nonZero);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(whole.data(), whole.data() + whole.size(), value);
    if (error != std::errc() || end != whole.data() + whole.size()) return std::nullopt;
    return value;
}

std::int64_t unitFactor(int unitIndex) {
    switch (static_cast<SizeUnit>(unitIndex)) {
        case SizeUnit::Kilobytes:
            return 1024;
        case SizeUnit::Megabytes:
            return 1024 * 1024;
        default:
            return 1;
    }
}

Plan refuse(Plan plan, PlanResult result) {
    plan.result = result;
    plan.refusal = refusalText(result);
    return plan;
}

std::string planSummary(const PlanInput& input, std::int64_t count) {
    std::string out = "ORIGINAL PATH           : " + input.sourcepath;
    out += "\r\n\r\n " + input.sizetext;
    out += "\r\n\r\n";
    out += input.tofloppy == 1 ? std::string("SPLIT DESTINATION    : A:")
                               : "SPLIT DESTINATION    : " + input.destfolder;
    out += "\r\n\r\nNUMBER OF SPLITS     : " + std::to_string(count);
    out += "\r\n";
    return out;
}

}  // namespace

const char* refusalText(PlanResult result) {
    switch (result) {
        case PlanResult::Accepted:
            return "";
        case PlanResult::EmptySize:
            return "Enter the size";
        case PlanResult::InvalidEntry:
            return "Invalid Entry";
        case PlanResult::NotPositive:
            return "Enter a positive value";
        case PlanResult::BiggerThanFile:
            return "split size bigger than file size";
        case PlanResult::WholeFile:
            return "You are not splitting the file..Are you?";
        case PlanResult::TooBigForDiskette:
            return "split size for floppy should not be greater than 1.3 MB";
        case PlanResult::TooManyPieces:
            return "FAR TOO MANY SPLITS.SORRY!!";
    }
    return "";
}

std::optional<double> parseSize(const std::string& text) {
    const auto decimal = readDecimal(text);
    if (!decimal) return std::nullopt;
    return toDouble(*decimal);
}

Plan planSplit(const PlanInput& input) {
    Plan plan;
    if (input.sizeText.empty()) return refuse(plan, PlanResult::EmptySize);

    const auto decimal = readDecimal(input.sizeText);
    if (std::count(input.sizeText.begin(), input.sizeText.end(), '.') > 1 || !decimal) {
        return refuse(plan, PlanResult::InvalidEntry);
    }

    plan.sizevalue = toDouble(*decimal);
    if (decimal->negative || isZero(*decimal)) return refuse(plan, PlanResult::NotPositive);

    // Pieces are whole bytes: the size is rounded down here, before it is
    // compared with the file size and the diskette limit.
    const auto bytes = wholeBytes(*decimal, unitFactor(input.unitIndex));
    plan.piecesize = bytes.value_or(std::numeric_limits<std::int64_t>::max());
    if (bytes && *bytes == 0) return refuse(plan, PlanResult::NotPositive);
    if (!bytes || *plan.piecesize > input.filesize) return refuse(plan, PlanResult::BiggerThanFile);
    if (*plan.piecesize == input.filesize) return refuse(plan, PlanResult::WholeFile);
    if (input.tofloppy == 1 && *plan.piecesize > kDiskettePieceLimit)
        return refuse(plan, PlanResult::TooBigForDiskette);

    const std::int64_t count = pieceCount(input.filesize, *plan.piecesize);
    if (count > kMaxPieces) return refuse(plan, PlanResult::TooManyPieces);

    plan.piececount = static_cast<int>(count);
    plan.summary = planSummary(input, count);
    return plan;
}

}  // namespace brindlecut
