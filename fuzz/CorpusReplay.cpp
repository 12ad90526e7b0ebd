// Runs the host fuzzer's entry once for each file named, or in each folder named, as libFuzzer
// does when it is given files: for builds without libFuzzer (GCC's sanitizers among them).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace
{
void Replay(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
    std::printf("%s: %zu bytes\n", file.c_str(), bytes.size());
    std::fflush(stdout);
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}
} // namespace

int main(int argc, char** argv)
{
    std::set<std::filesystem::path> files; // in order, so that every run replays alike
    for (int i = 1; i < argc; ++i)
    {
        if (!std::filesystem::is_directory(argv[i]))
            files.insert(argv[i]);
        else
            for (const auto& entry : std::filesystem::directory_iterator(argv[i]))
                files.insert(entry.path());
    }
    if (files.empty())
    {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER_OR_FILE...\n", argv[0]);
        return 2;
    }
    for (const std::filesystem::path& file : files)
        Replay(file);
    std::printf("%zu inputs replayed without a failure\n", files.size());
    return 0;
}
