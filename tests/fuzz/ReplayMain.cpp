// Runs a fuzz target once over each kept input in the folder given, so that
// ordinary builds check the corpus without libFuzzer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    int runs = 0;
    for (const auto& file : std::filesystem::directory_iterator(argc > 1 ? argv[1] : ".")) {
        std::ifstream in(file.path(), std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        runs += LLVMFuzzerTestOneInput(bytes.data(), bytes.size()) == 0;
    }
    std::printf("%d inputs ran without a fault\n", runs);
    return runs == 0 ? 1 : 0;
}
