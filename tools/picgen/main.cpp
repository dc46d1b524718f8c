// picgen: draws every picture of the game into the data folder.
// Usage: vm-picgen <shapes.txt> <data dir> <manifest out> <icon dir> <icon size>...
//        vm-picgen --words <language> <words file> <shapes.txt> <data dir>
//        vm-picgen --scale 2 <either form above>
// The second form draws only the pictures with words, in the language of
// the words file, into <data dir>/pic/<language>/. With --scale 2 the same
// drawings are made at twice the size into <data dir>/pic/2x/ (the icons,
// drawn at each of their sizes anyway, and the glyph widths are left out).
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "gen.h"

namespace {

int runJobs(pg::Jobs& jobs) {
    // Every job writes its own files, so the order they finish in does
    // not change the output.
    std::atomic<size_t> next{0};
    const bool timing = std::getenv("VM_PICGEN_TIMING") != nullptr;
    std::mutex errorMutex;
    std::string error;
    auto worker = [&] {
        for (size_t i; (i = next++) < jobs.size();) {
            try {
                const auto t0 = std::chrono::steady_clock::now();
                jobs[i]();
                if (timing)
                    std::fprintf(stderr, "job %zu: %.2f s\n", i,
                                 std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
            } catch (const std::exception& e) {
                std::lock_guard<std::mutex> lock(errorMutex);
                if (error.empty()) error = e.what();
            }
        }
    };
    const unsigned n = std::max(1u, std::min(4u, std::thread::hardware_concurrency()));
    std::vector<std::thread> threads;
    for (unsigned t = 1; t < n; ++t) threads.emplace_back(worker);
    worker();
    for (auto& t : threads) t.join();
    if (!error.empty()) throw std::runtime_error(error);
    return 0;
}

// The pictures folder of the set being drawn.
std::string picturesFolder(const std::string& dataDir) {
    const int scale = pg::artScale();
    return dataDir + "/pic" + (scale > 1 ? "/" + std::to_string(scale) + "x" : std::string());
}

int drawWords(char** argv) {
    const auto start = std::chrono::steady_clock::now();
    try {
        pg::loadWords(argv[3]);
        const pg::ShapeSet shapes = pg::loadShapes(argv[4]);
        pg::setOutputDir(picturesFolder(argv[5]) + "/" + argv[2]);
        pg::Jobs jobs;
        pg::addWidgetWordJobs(jobs);
        pg::addMessageJobs(jobs);
        pg::addScreenWordJobs(jobs, shapes);
        pg::addSceneryWordJobs(jobs);
        pg::addMapWordJobs(jobs);
        runJobs(jobs);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "picgen %s: %s\n", argv[2], e.what());
        return 1;
    }
    const auto [text, ratio] = pg::worstFit();
    std::printf("picgen %s: pictures with words drawn in %.1f s; most shrunk to fit: %.0f %% \"%s\"\n", argv[2],
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 100.0 / ratio,
                text.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "--scale") {
        const std::string scale = argv[2];
        if (scale != "1" && scale != "2") {
            std::fprintf(stderr, "%s: --scale takes 1 or 2, not %s\n", argv[0], argv[2]);
            return 2;
        }
        pg::setArtScale(scale[0] - '0');
        argv[2] = argv[0];
        argv += 2;
        argc -= 2;
    }
    const bool sharp = pg::artScale() > 1;
    if (argc >= 2 && std::string(argv[1]) == "--words") {
        if (argc != 6) {
            std::fprintf(stderr, "usage: %s --words <language> <words file> <shapes.txt> <data dir>\n", argv[0]);
            return 2;
        }
        return drawWords(argv);
    }
    std::vector<int> iconSizes;
    bool sizesValid = argc >= 6 || (sharp && argc == 4);
    for (int i = 5; i < argc; ++i) {
        char* end = nullptr;
        const long size = std::strtol(argv[i], &end, 10);
        sizesValid = sizesValid && end != argv[i] && *end == 0 && size >= 16 && size <= 1024;
        iconSizes.push_back(static_cast<int>(size));
    }
    if (!sizesValid) {
        std::fprintf(stderr, "usage: %s <shapes.txt> <data dir> <manifest out> <icon dir> <icon size>...\n", argv[0]);
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    try {
        const pg::ShapeSet shapes = pg::loadShapes(argv[1]);
        pg::setOutputDir(picturesFolder(argv[2]));
        pg::Jobs jobs;
        pg::addBallJobs(jobs);
        pg::addGunJobs(jobs);
        pg::addMagnetJobs(jobs, shapes);
        pg::addSceneryJobs(jobs, shapes);
        pg::addHudJobs(jobs);
        pg::addCodePageFontJobs(jobs, sharp ? std::string() : std::filesystem::path(argv[3]).parent_path().string());
        pg::addMessageJobs(jobs);
        pg::addScreenJobs(jobs, shapes);
        pg::addWidgetJobs(jobs);
        pg::addMapJobs(jobs, shapes);
        pg::addParticleJobs(jobs);
        if (!sharp) pg::addIconJobs(jobs, shapes, argv[4], iconSizes);

        runJobs(jobs);

        std::ofstream manifest(argv[3]);
        for (const auto& line : pg::takeManifest()) manifest << line << '\n';
        if (!manifest) throw std::runtime_error(std::string("cannot write ") + argv[3]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "picgen: %s\n", e.what());
        return 1;
    }
    const double secs =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("picgen: %dx pictures drawn in %.1f s\n", pg::artScale(), secs);
    return 0;
}
