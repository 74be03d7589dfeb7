// Feeds every file of the folders given on the command line to the target's
// entry, as libFuzzer would run them, so that a build without libFuzzer still
// runs the seeds and the inputs that once crashed a reader.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        if (fs::is_directory(argv[i])) {
            for (const auto& e : fs::directory_iterator(argv[i]))
                if (e.is_regular_file()) files.push_back(e.path());
        } else {
            files.emplace_back(argv[i]);
        }
    }
    std::sort(files.begin(), files.end());
    if (files.empty()) {
        std::fprintf(stderr, "no input given\n");
        return 1;
    }
    for (const fs::path& f : files) {
        std::ifstream in(f, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (!in.good() && !in.eof()) {
            std::fprintf(stderr, "cannot read %s\n", f.c_str());
            return 1;
        }
        std::printf("%s (%zu bytes)\n", f.filename().c_str(), bytes.size());
        std::fflush(stdout);
        // A copy of its own, so that reading past the input shows under the sanitizers.
        std::vector<uint8_t> copy(bytes.begin(), bytes.end());
        LLVMFuzzerTestOneInput(copy.data(), copy.size());
    }
    std::printf("%zu inputs\n", files.size());
    return 0;
}
