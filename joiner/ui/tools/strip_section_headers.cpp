// Cuts the section header table (and whatever follows the last segment) off a
// stripped 64-bit ELF file. The loader reads only the program headers, so the
// program runs as before; join.exe is built with this because it has to fit on
// disk #1 beside the largest piece. Files that are not 64-bit little-endian ELF,
// or whose section headers lie among the segments, are left as they are.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
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
    if (shoff == 0 || phentsize < 56 || phoff + std::uint64_t{phentsize} * phnum > bytes.size()) return 0;

    std::uint64_t end = phoff + std::uint64_t{phentsize} * phnum;
    for (std::uint16_t i = 0; i < phnum; ++i) {
        const std::size_t header = phoff + std::size_t{i} * phentsize;
        const auto offset = load<std::uint64_t>(bytes, header + 8);
        const auto filesz = load<std::uint64_t>(bytes, header + 32);
        if (offset + filesz > end) end = offset + filesz;
    }
    if (end > bytes.size() || shoff < end) return 0;

    store<std::uint64_t>(bytes, 40, 0);  // e_shoff
    store<std::uint16_t>(bytes, 60, 0);  // e_shnum
    store<std::uint16_t>(bytes, 62, 0);  // e_shstrndx
    bytes.resize(end);

    const std::filesystem::path target(argv[1]);
    const std::filesystem::path temporary = target.string() + ".strip";
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
