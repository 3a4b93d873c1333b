// Measures the folder split and the folder join against the system's own
// `split -b` and `cat`, each followed by a flush of what it wrote; the peak
// memory of our work; XXH3-128 hashing alone and what it adds to a copy; the
// cost of reporting progress; and the size of join.exe. Run by hand on a
// machine that is otherwise idle; README (section Speed) gives the method,
// the command and the figures. Results go to standard output, one line each;
// the details of every round to standard error.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/harness.h"
#include "bench/runs.h"
#include "common/contract.h"

namespace brindlecut::bench {
namespace {

struct Options {
    std::int64_t sizeMiB = 512;
    int rounds = 5;
};

[[noreturn]] void usage(const char* program) {
    std::cerr << "usage: " << program << " [--size-mib N] [--rounds N]\n"
              << "  makes an N MiB test file (default 512) in $TMPDIR or /tmp and compares our split and\n"
              << "  join with split -b and cat, all flushed, over N rounds (default 5); results on stdout,\n"
              << "  details on stderr\n";
    std::exit(2);
}

Options parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--size-mib" || arg == "--rounds") && i + 1 < argc) {
            char* end = nullptr;
            const long long value = std::strtoll(argv[++i], &end, 10);
            if (*end != '\0' || value < 1) usage(argv[0]);
            if (arg == "--size-mib")
                options.sizeMiB = value;
            else
                options.rounds = static_cast<int>(std::min<long long>(value, 1000));
        } else {
            usage(argv[0]);
        }
    }
    return options;
}

// The timing of whole runs is only as exact as the disk is steady; the time
// one reporter call takes, times the calls a run makes, bounds the cost from
// the other side.
void reportProgressCallCost(long callsPerRun) {
    ReportingPrompter reporter;
    constexpr long kCalls = 1000000;
    const std::string item = pieceName(kSourceName, 1);
    const Timing t = measure(Who::Self, [&] {
        for (long i = 0; i < kCalls; ++i) reporter.progress(item, i, kCalls);
    });
    std::fprintf(stderr, "one progress call: %.0f ns, so %.3f ms per split+join\n", t.wall / kCalls * 1e9,
                 t.wall / kCalls * static_cast<double>(callsPerRun) * 1e3);
}

// Per cent that `with` adds to `without`.
double costPercent(double with, double without) { return (with / without - 1.0) * 100.0; }

int runBench(const Options& options) {
    const Clock::time_point started = Clock::now();
    WorkFolder work;
    const std::int64_t size = options.sizeMiB * kMiB;
    const std::string source = work.path() + "/" + kSourceName;
    std::cerr << "work folder " << work.path() << ", test file " << options.sizeMiB << " MiB, "
              << options.rounds << " rounds\n";
    makeSourceFile(source, size);

    // A plan always has at least two pieces; a small test file gets halves
    // instead of 64 MiB pieces.
    std::int64_t large = 64 * kMiB;
    if (large * 2 > size) {
        large = (size + 1) / 2;
        std::cerr << "note: the file is too small for two 64 MiB pieces; using " << large << " byte pieces\n";
    }
    const std::int64_t small = std::min<std::int64_t>(kMiB, (size + 1) / 2);
    if (pieceCount(size, small) > kMaxPieces)
        fail("the file needs more than " + std::to_string(kMaxPieces) + " pieces of 1 MiB");
    PieceSizeBench benches[] = {{work.path(), "large", source, size, large},
                                {work.path(), "small", source, size, small}};
    CopyBench copyBench(work.path(), source);

    AgreeingPrompter agreeing;
    ReportingPrompter reporting;

    // Warm-up: each tool once, untimed, so that both run from warm caches.
    for (auto& bench : benches) {
        bench.runOurs(agreeing);
        bench.runTheirs();
        bench.runOurs(reporting);
    }
    copyBench.run(true);
    if (!agreeing.told().empty()) std::cerr << "note: our engine told: " << agreeing.told().front() << "\n";
    const bool checksums = benches[0].oursWroteChecksums();
    std::cerr << (checksums ? "our split writes a checksum file: the engine hashes\n"
                            : "note: our split writes no checksum file: the engine does not hash\n");

    std::vector<double> splitRatios[2], joinRatios[2], cpuRatios[4], progressCosts, progressCpuCosts;
    std::vector<double> hashCosts, hashCostsUnflushed, hashCpuCosts, copyCatRatios, plainFlushedTimes;
    long progressCalls = 0, progressTexts = 0;
    for (int round = 0; round < options.rounds; ++round) {
        const bool oursFirst = round % 2 == 0;
        for (int b = 0; b < 2; ++b) {
            PieceSizeBench& bench = benches[b];
            RunTimes ours, theirs;
            if (oursFirst) {
                ours = bench.runOurs(agreeing);
                theirs = bench.runTheirs();
            } else {
                theirs = bench.runTheirs();
                ours = bench.runOurs(agreeing);
            }
            splitRatios[b].push_back(theirs.split.wall / ours.split.wall);
            joinRatios[b].push_back(theirs.join.wall / ours.join.wall);
            cpuRatios[2 * b].push_back(theirs.split.cpu / ours.split.cpu);
            cpuRatios[2 * b + 1].push_back(theirs.join.cpu / ours.join.cpu);
            std::fprintf(
                stderr,
                "round %d, %lld byte pieces: split ours %.3f s (cpu %.3f), split -b + flush %.3f s "
                "(cpu %.3f), ratio %.2f; join ours %.3f s (cpu %.3f), cat + flush %.3f s (cpu %.3f), "
                "ratio %.2f\n",
                round + 1, static_cast<long long>(bench.pieceBytes()), ours.split.wall, ours.split.cpu,
                theirs.split.wall, theirs.split.cpu, splitRatios[b].back(), ours.join.wall, ours.join.cpu,
                theirs.join.wall, theirs.join.cpu, joinRatios[b].back());
        }

        // Progress reporting, on the small pieces where it is called most:
        // split and join without and with a reporter, in the order A B B A
        // (or B A A B), so that a drift of the machine's speed cancels out.
        PieceSizeBench& bench = benches[1];
        const long callsBefore = reporting.calls(), textsBefore = reporting.texts();
        double plain = 0, withProgress = 0, plainCpu = 0, withProgressCpu = 0;
        for (int turn = 0; turn < 4; ++turn) {
            const bool reported = (turn == 1 || turn == 2) == oursFirst;
            const RunTimes times = reported ? bench.runOurs(reporting) : bench.runOurs(agreeing);
            (reported ? withProgress : plain) += times.total();
            (reported ? withProgressCpu : plainCpu) += times.split.cpu + times.join.cpu;
        }
        progressCpuCosts.push_back(costPercent(withProgressCpu, plainCpu));
        progressCalls = (reporting.calls() - callsBefore) / 2;
        progressTexts = (reporting.texts() - textsBefore) / 2;
        progressCosts.push_back(costPercent(withProgress, plain));
        std::fprintf(stderr,
                     "round %d: 2 x split+join without progress %.3f s (cpu %.3f), with progress %.3f s "
                     "(cpu %.3f), cost %.1f%% (cpu %.1f%%)\n",
                     round + 1, plain, plainCpu, withProgress, withProgressCpu, progressCosts.back(),
                     progressCpuCosts.back());

        // Hashing inside copyInChunks: the whole file copied without and with
        // a hash, each flushed, and cat + flush of it beside them.
        const CopyTimes copy = copyBench.run(!oursFirst);
        hashCosts.push_back(costPercent(copy.hashedFlushed.wall, copy.plainFlushed.wall));
        hashCostsUnflushed.push_back(costPercent(copy.hashed.wall, copy.plain.wall));
        hashCpuCosts.push_back(costPercent(copy.hashed.cpu, copy.plain.cpu));
        copyCatRatios.push_back(copy.cat.wall / copy.hashedFlushed.wall);
        plainFlushedTimes.push_back(copy.plainFlushed.wall);
        std::fprintf(stderr,
                     "round %d: copyInChunks of the file %.3f s (cpu %.3f), with hash %.3f s (cpu %.3f); "
                     "with the flush %.3f s and %.3f s, cost %.1f%%; cat + flush %.3f s, ratio to the hashed "
                     "copy %.2f\n",
                     round + 1, copy.plain.wall, copy.plain.cpu, copy.hashed.wall, copy.hashed.cpu,
                     copy.plainFlushed.wall, copy.hashedFlushed.wall, hashCosts.back(), copy.cat.wall,
                     copyCatRatios.back());
    }
    std::fprintf(stderr,
                 "cpu time ratios (medians): split %.2f, join %.2f, split small %.2f, join small %.2f\n",
                 median(cpuRatios[0]), median(cpuRatios[1]), median(cpuRatios[2]), median(cpuRatios[3]));
    std::fprintf(stderr, "progress cost in cpu time (median): %.1f%%\n", median(progressCpuCosts));
    std::cerr << "progress calls per split+join: " << progressCalls << ", texts formatted: " << progressTexts
              << " (last: \"" << reporting.lastText() << "\")\n";
    reportProgressCallCost(progressCalls);
    std::fprintf(stderr,
                 "hash cost in copyInChunks (medians): %.1f%% of the copy alone, %.1f%% in cpu time; "
                 "cat + flush against the hashed copy + flush: ratio %.2f\n",
                 median(hashCostsUnflushed), median(hashCpuCosts), median(copyCatRatios));
    // Nothing that writes the file's bytes and flushes them can be much
    // faster than this on a file system that cannot share extents.
    std::fprintf(stderr, "the disk's pace: copyInChunks of the file and its flush, median %.3f s\n",
                 median(plainFlushedTimes));

    const std::string memoryWork = work.path() + "/memory";
    freshFolder(memoryWork);
    const double peak = peakMemoryMiB(source, memoryWork, {large, small});
    removeTree(memoryWork);
    const double hashRate = hashGigabytesPerSecond();

    const std::string joinExe = executableFolder() + "/join.exe";
    struct stat joinStat {};
    const bool joinBuilt = ::stat(joinExe.c_str(), &joinStat) == 0 && S_ISREG(joinStat.st_mode);

    std::printf("split ratio: %.2f\n", median(splitRatios[0]));
    std::printf("join ratio: %.2f\n", median(joinRatios[0]));
    std::printf("split ratio small: %.2f\n", median(splitRatios[1]));
    std::printf("join ratio small: %.2f\n", median(joinRatios[1]));
    std::printf("peak rss MiB: %.1f\n", peak);
    std::printf("hash GB/s: %.2f\n", hashRate);
    std::printf("hash cost: %.1f%%\n", median(hashCosts));
    std::printf("checksums written: %s\n", checksums ? "yes" : "no");
    std::printf("progress cost: %.1f%%\n", median(progressCosts));
    if (joinBuilt)
        std::printf("join.exe bytes: %lld\n", static_cast<long long>(joinStat.st_size));
    else
        std::printf("join.exe bytes: not built\n");
    std::fflush(stdout);
    std::fprintf(stderr, "whole run: %.1f s\n",
                 std::chrono::duration<double>(Clock::now() - started).count());
    return 0;
}

}  // namespace
}  // namespace brindlecut::bench

int main(int argc, char** argv) {
    try {
        if (argc > 1 && std::string(argv[1]) == brindlecut::bench::kMemoryChildFlag)
            return brindlecut::bench::memoryChild(argc, argv);
        return brindlecut::bench::runBench(brindlecut::bench::parseOptions(argc, argv));
    } catch (const std::exception& e) {
        std::cerr << "brindlecut_bench: " << e.what() << "\n";
        return 1;
    }
}
