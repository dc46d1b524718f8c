// vm-datamanifest DIR: lists every file of the data folder DIR with its size
// and checksum into DIR/manifest.txt, which the game checks at start.
#include <cstdio>
#include <string>

#include "frame/data_manifest.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vm-datamanifest DATA-FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    const std::string text = makeManifest(folder);
    if (!platform::writeFileAtomic(folder + "/" + kManifestName, text)) {
        std::fprintf(stderr, "vm-datamanifest: cannot write %s/%s\n", folder.c_str(), kManifestName);
        return 1;
    }
    return 0;
}
