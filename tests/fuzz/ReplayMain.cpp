// Runs a fuzz target once over each kept input (files, or folders of files),
// so that the ordinary build and test run check the corpus without libFuzzer.
#include "tests/fuzz/FuzzCheck.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {

int RunFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : -1;
    std::vector<uint8_t> bytes(size > 0 ? static_cast<size_t>(size) : 0);
    if (size < 0 || !in.seekg(0) || !in.read(reinterpret_cast<char*>(bytes.data()), size)) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 0;
    }
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 0;
    bool unreadable = false;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        if (std::filesystem::is_directory(path)) {
            std::vector<std::filesystem::path> files;
            for (const auto& entry : std::filesystem::directory_iterator(path))
                if (entry.is_regular_file()) files.push_back(entry.path());
            std::sort(files.begin(), files.end());
            for (const auto& file : files) runs += RunFile(file);
        } else {
            const int ran = RunFile(path);
            runs += ran;
            unreadable = unreadable || ran == 0;
        }
    }
    std::printf("%d inputs ran without a fault\n", runs);
    return runs == 0 || unreadable ? 1 : 0;
}
