// Runs the fuzz target once on every file of the given files and directories, for the sanitizer
// builds that have no libFuzzer.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

int main(int argc, char **argv)
{
    int files = 0;
    for (int a = 1; a < argc; a++) {
        std::vector<std::filesystem::path> paths {argv[a]};
        if (std::filesystem::is_directory(paths[0]))
            paths.assign(std::filesystem::directory_iterator(paths[0]), {});
        for (const auto &path : paths) {
            std::ifstream in(path, std::ios::binary);
            std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            LLVMFuzzerTestOneInput(data.data(), data.size());
            files++;
        }
    }
    fprintf(stderr, "replayed %d inputs\n", files);
    return files > 0 ? 0 : 1;
}
