// Trims the section header table of a stripped 64-bit ELF program to the few
// sections that describe its dynamic linking (.dynsym, .dynstr, .gnu.version,
// .gnu.version_r and .dynamic) and drops whatever else follows the last
// segment (.comment and the old tables). The loader reads only the program
// headers, so the program runs as before; binutils and dpkg-shlibdeps still
// find the libraries and the versioned symbols it needs, which they read
// through those sections. join.exe is built with this because it has to fit
// on disk #1 beside the largest piece. Files that are not 64-bit
// little-endian ELF, or whose section headers lie among the segments, are
// left as they are.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace {

template <typename T>
T load(const std::vector<char>& bytes, std::size_t at) {
    T value{};
    std::memcpy(&value, bytes.data() + at, sizeof value);
    return value;
}

template <typename T>
void store(std::vector<char>& bytes, std::size_t at, T value) {
    std::memcpy(bytes.data() + at, &value, sizeof value);
}

constexpr std::size_t kHeaderSize = 64;  // Elf64_Shdr
constexpr std::uint32_t kStrtab = 3;     // SHT_STRTAB
constexpr std::string_view kKept[] = {".dynsym", ".dynstr", ".gnu.version", ".gnu.version_r", ".dynamic"};

bool kept(std::string_view name) {
    for (std::string_view k : kKept) {
        if (k == name) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <ELF file>\n", argv[0]);
        return 2;
    }
    std::vector<char> bytes;
    {
        std::ifstream in(argv[1], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
            return 1;
        }
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // e_ident: magic, class 2 (64-bit), data 1 (little-endian).
    if (bytes.size() < 64 ||
        std::memcmp(bytes.data(),
                    "\x7f"
                    "ELF",
                    4) != 0 ||
        bytes[4] != 2 || bytes[5] != 1) {
        return 0;
    }
    const auto phoff = load<std::uint64_t>(bytes, 32);
    const auto shoff = load<std::uint64_t>(bytes, 40);
    const auto phentsize = load<std::uint16_t>(bytes, 54);
    const auto phnum = load<std::uint16_t>(bytes, 56);
    const auto shentsize = load<std::uint16_t>(bytes, 58);
    const auto shnum = load<std::uint16_t>(bytes, 60);
    const auto shstrndx = load<std::uint16_t>(bytes, 62);
    if (shoff == 0 || phentsize < 56 || phoff + std::uint64_t{phentsize} * phnum > bytes.size()) return 0;
    if (shentsize != kHeaderSize || shstrndx >= shnum ||
        shoff + std::uint64_t{shnum} * kHeaderSize > bytes.size()) {
        return 0;
    }

    std::uint64_t end = phoff + std::uint64_t{phentsize} * phnum;
    for (std::uint16_t i = 0; i < phnum; ++i) {
        const std::size_t header = phoff + std::size_t{i} * phentsize;
        const auto offset = load<std::uint64_t>(bytes, header + 8);
        const auto filesz = load<std::uint64_t>(bytes, header + 32);
        if (offset + filesz > end) end = offset + filesz;
    }
    if (end > bytes.size() || shoff < end) return 0;

    // The old headers and their names, read before the tail they live in goes.
    const auto header = [&](std::size_t index) { return shoff + index * kHeaderSize; };
    const auto namesAt = load<std::uint64_t>(bytes, header(shstrndx) + 24);
    const auto namesSize = load<std::uint64_t>(bytes, header(shstrndx) + 32);
    if (namesAt + namesSize > bytes.size()) return 0;
    const auto nameOf = [&](std::size_t index) {
        const auto at = load<std::uint32_t>(bytes, header(index));
        if (at >= namesSize) return std::string_view();
        const char* name = bytes.data() + namesAt + at;
        return std::string_view(name, strnlen(name, namesSize - at));
    };
    std::vector<std::uint16_t> keep{0};  // the null section stays first
    std::vector<std::uint16_t> newIndex(shnum, 0);
    for (std::uint16_t i = 1; i < shnum; ++i) {
        if (kept(nameOf(i))) {
            newIndex[i] = static_cast<std::uint16_t>(keep.size());
            keep.push_back(i);
        }
    }
    std::string names(1, '\0');
    std::vector<std::vector<char>> headers;
    for (std::uint16_t old : keep) {
        std::vector<char> entry(bytes.begin() + static_cast<std::ptrdiff_t>(header(old)),
                                bytes.begin() + static_cast<std::ptrdiff_t>(header(old) + kHeaderSize));
        if (old != 0) {
            store<std::uint32_t>(entry, 0, static_cast<std::uint32_t>(names.size()));
            names.append(nameOf(old));
            names.push_back('\0');
            // sh_link names another section (.dynsym links .dynstr); point it at its new place.
            const auto link = load<std::uint32_t>(entry, 40);
            store<std::uint32_t>(entry, 40, link < shnum ? newIndex[link] : 0);
        }
        headers.push_back(std::move(entry));
    }
    const auto ownName = static_cast<std::uint32_t>(names.size());
    names.append(".shstrtab");
    names.push_back('\0');

    bytes.resize(end);
    const std::uint64_t namesOffset = bytes.size();
    bytes.insert(bytes.end(), names.begin(), names.end());
    while (bytes.size() % 8 != 0) bytes.push_back('\0');
    std::vector<char> own(kHeaderSize, '\0');
    store<std::uint32_t>(own, 0, ownName);
    store<std::uint32_t>(own, 4, kStrtab);
    store<std::uint64_t>(own, 24, namesOffset);
    store<std::uint64_t>(own, 32, names.size());
    store<std::uint64_t>(own, 48, 1);  // sh_addralign
    headers.push_back(std::move(own));

    store<std::uint64_t>(bytes, 40, bytes.size());  // e_shoff
    store<std::uint16_t>(bytes, 60, static_cast<std::uint16_t>(headers.size()));
    store<std::uint16_t>(bytes, 62, static_cast<std::uint16_t>(headers.size() - 1));
    for (const auto& entry : headers) bytes.insert(bytes.end(), entry.begin(), entry.end());

    const std::filesystem::path target(argv[1]);
    const std::filesystem::path temporary = target.string() + ".trim";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], temporary.c_str());
            return 1;
        }
    }
    std::error_code error;
    std::filesystem::permissions(temporary, std::filesystem::status(target).permissions(), error);
    std::filesystem::rename(temporary, target, error);
    if (error) {
        std::fprintf(stderr, "%s: cannot replace %s: %s\n", argv[0], argv[1], error.message().c_str());
        return 1;
    }
    return 0;
}
