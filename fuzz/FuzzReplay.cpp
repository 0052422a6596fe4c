// Runs the fuzz target once on every file of the given files and directories, for the sanitizer
// builds that have no libFuzzer.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

bool Replay(const std::filesystem::path &file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        fprintf(stderr, "cannot read %s\n", file.c_str());
        return false;
    }
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(data.data(), data.size());
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    int files = 0;
    bool ok = true;
    for (int a = 1; a < argc; a++) {
        std::filesystem::path path(argv[a]);
        if (std::filesystem::is_directory(path)) {
            for (const auto &entry : std::filesystem::directory_iterator(path)) {
                if (entry.is_regular_file()) {
                    ok = Replay(entry.path()) && ok;
                    files++;
                }
            }
        } else {
            ok = Replay(path) && ok;
            files++;
        }
    }
    fprintf(stderr, "replayed %d inputs\n", files);
    return ok && files > 0 ? 0 : 1;
}
