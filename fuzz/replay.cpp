// Replays a regression corpus through the fuzz targets' entry points: every
// file of <corpus>/<target>/ goes to that target. A crash, a broken check or
// a hang (the test's time limit) fails the run.
#include <sys/resource.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "entries.h"

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER\n", argv[0]);
        return 2;
    }
    std::setlocale(LC_ALL, "C");
    // No file may make a reader take more than a few hundred megabytes: past
    // this an allocation fails and the run stops. (The fuzzers have their
    // own limit, -rss_limit_mb.)
    const rlim_t limit = rlim_t{768} << 20;
    const rlimit cap{limit, limit};
    if (::setrlimit(RLIMIT_AS, &cap) != 0) std::perror("setrlimit");
    int files = 0, folders = 0;
    std::vector<fs::path> targets;
    for (const auto& e : fs::directory_iterator(argv[1]))
        if (e.is_directory()) targets.push_back(e.path());
    std::sort(targets.begin(), targets.end());
    for (const fs::path& folder : targets) {
        const FuzzEntry entry = fuzzEntry(folder.filename().string());
        if (!entry) {
            std::fprintf(stderr, "no fuzz target named %s\n", folder.filename().c_str());
            return 1;
        }
        ++folders;
        std::vector<fs::path> inputs;
        for (const auto& f : fs::directory_iterator(folder))
            if (f.is_regular_file()) inputs.push_back(f.path());
        std::sort(inputs.begin(), inputs.end());
        for (const fs::path& input : inputs) {
            std::ifstream in(input, std::ios::binary);
            const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            std::fprintf(stderr, "%s\n", input.c_str());
            entry(bytes.data(), bytes.size());
            ++files;
        }
    }
    std::printf("%d inputs of %d targets replayed\n", files, folders);
    return files > 0 ? 0 : 1;
}
