// A driver for the fuzz targets when no libFuzzer is at hand (the g++ builds):
// it feeds the target its seeds, then random mutations of them, for a given time.
// Built with clang's -fsanitize=fuzzer instead, the same targets run under libFuzzer
// (scripts/fuzz.sh).
//
//   fuzz_x SECONDS [SEED_FILE...]

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size);

namespace {

// The seeds every target starts from besides its own files: bytes the parsers treat
// specially.
const std::vector<std::string> kBuiltInSeeds = {
    "",
    "Alpha GmbH;Beta;01.02.2018;03.02.2018;T17\r\n",
    "\"Alpha; Beta\";x;24.12.;;\"\n\x1A;;\r\r\n",
    std::string("\xFF\xFE"
                "a\0;\0\r\0\n\0",
                10),
    "\xEF\xBB\xBFM\xC3\xBCller;\xE4\x80\r",
};

std::string Mutate(std::string input, std::mt19937& random) {
    const int edits = 1 + static_cast<int>(random() % 8);
    static const char kSpecial[] = {';', '"', '\r', '\n', '.', '\0', '\x1A', ' ', '\xFF', '\xFE'};
    for (int i = 0; i < edits; ++i) {
        const size_t at = input.empty() ? 0 : random() % (input.size() + 1);
        switch (random() % 5) {
            case 0:  // insert a special byte
                input.insert(at, 1, kSpecial[random() % sizeof kSpecial]);
                break;
            case 1:  // insert a random byte
                input.insert(at, 1, static_cast<char>(random()));
                break;
            case 2:  // delete a run
                if (!input.empty()) input.erase(at, 1 + random() % 8);
                break;
            case 3:  // repeat a piece
                if (!input.empty()) {
                    const size_t from = random() % input.size();
                    input.insert(at, input.substr(from, 1 + random() % 32));
                }
                break;
            default:  // flip a byte
                if (!input.empty())
                    input[random() % input.size()] ^= static_cast<char>(1 << (random() % 8));
        }
    }
    if (input.size() > 1 << 16) input.resize(1 << 16);
    return input;
}

const std::string* current = nullptr;

// A failing input is kept for a look: fuzz-failure.bin in the working folder.
extern "C" void KeepFailingInput(int signal) {
    if (current) {
        const int fd = ::open("fuzz-failure.bin", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            [[maybe_unused]] const ssize_t n = ::write(fd, current->data(), current->size());
            ::close(fd);
        }
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void Run(const std::string& input) {
    current = &input;
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
    current = nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    for (int signal : {SIGABRT, SIGSEGV, SIGFPE, SIGILL}) std::signal(signal, KeepFailingInput);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
    std::vector<std::string> corpus = kBuiltInSeeds;
    for (int i = 2; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        corpus.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    for (const std::string& seed : corpus) Run(seed);
    std::mt19937 random(20261208);
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    long runs = 0;
    while (std::chrono::steady_clock::now() < end) {
        for (int i = 0; i < 64; ++i, ++runs) {
            std::string input = Mutate(corpus[random() % corpus.size()], random);
            Run(input);
            // Inputs that grew stay as seeds, so that mutations build on each other.
            if (corpus.size() < 4096 && random() % 16 == 0) corpus.push_back(std::move(input));
        }
    }
    std::printf("%ld inputs, no failure\n", runs);
    return 0;
}
