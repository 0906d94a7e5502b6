// The floor under a text reader's speed: read the file, and convert every
// number in it with std::from_chars, nothing else. A whole load is measured
// against this (elapsed time, the minimum of the runs).
//
//   build/native/bench/parse_floor FILE [RUNS]
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

bool numberChar(char c) { return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E'; }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: parse_floor FILE [RUNS]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    double best = 1e30, sum = 0;
    long long numbers = 0;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        std::string text;
        if (std::FILE* file = std::fopen(argv[1], "rb")) {
            std::fseek(file, 0, SEEK_END);
            text.resize(static_cast<size_t>(std::ftell(file)));
            std::rewind(file);
            text.resize(std::fread(&text[0], 1, text.size(), file));
            std::fclose(file);
        }
        numbers = 0;
        sum = 0;
        const char* p = text.data();
        const char* end = p + text.size();
        while (p != end) {
            if (!numberChar(*p)) {
                ++p;
                continue;
            }
            const char* q = p;
            while (q != end && numberChar(*q)) ++q;
            double value = 0;
            std::from_chars(*p == '+' ? p + 1 : p, q, value);
            sum += value;
            ++numbers;
            p = q;
        }
        best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::printf("{\"file\":\"%s\",\"numbers\":%lld,\"floorMs\":%.1f,\"check\":%g}\n", argv[1], numbers, best, sum);
    return 0;
}
