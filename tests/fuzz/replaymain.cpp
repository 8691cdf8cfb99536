// Feeds every file of the directories (or the files) named on the command line to
// a fuzz target once (names that do not exist are passed over), so that the seed corpus and every input that once failed
// are checked by each ordinary build. A crash or a broken invariant ends the run.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

namespace {

int replay(const std::filesystem::path &file)
{
    std::ifstream stream(file, std::ios::binary);
    if (!stream) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        return 1;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(stream)),
                                  std::istreambuf_iterator<char>());
    std::fprintf(stderr, "replaying %s (%zu bytes)\n", file.c_str(), bytes.size());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size());
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    int failures = 0;
    int replayed = 0;
    for (int a = 1; a < argc; ++a) {
        const std::filesystem::path argument(argv[a]);
        // A target's regression folder exists only once it had a finding.
        if (!std::filesystem::exists(argument)) {
            std::fprintf(stderr, "no %s\n", argument.c_str());
            continue;
        }
        if (!std::filesystem::is_directory(argument)) {
            failures += replay(argument);
            ++replayed;
            continue;
        }
        std::vector<std::filesystem::path> files;
        for (const auto &entry : std::filesystem::directory_iterator(argument))
            if (entry.is_regular_file())
                files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const auto &file : files) {
            failures += replay(file);
            ++replayed;
        }
    }
    std::fprintf(stderr, "%d inputs replayed\n", replayed);
    // An empty corpus would pass without checking anything.
    return failures == 0 && replayed > 0 ? 0 : 1;
}
