#include "tests/test_support.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <sstream>

#ifdef _WIN32
#include "saver/win32_file_opener.h"
#endif

namespace glowpond::testing {

ModelFileOpener& fileOpener() {
#ifdef _WIN32
    static Win32FileOpener opener;
#else
    static PosixFileOpener opener;
#endif
    return opener;
}

std::string readFile(const std::filesystem::path& path) {
    std::ostringstream contents;
    contents << std::ifstream(path, std::ios::binary).rdbuf();
    return contents.str();
}

std::string writeFile(const std::string& path, const std::string& contents) {
    std::ofstream out(std::filesystem::u8path(path), std::ios::binary);
    out << contents;
    EXPECT_TRUE(out.good()) << path;
    return path;
}

std::string gzipped(const std::string& text) {
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string packed(deflateBound(&stream, text.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(&packed[0]);
    stream.avail_out = static_cast<uInt>(packed.size());
    deflate(&stream, Z_FINISH);
    packed.resize(stream.total_out);
    deflateEnd(&stream);
    return packed;
}

}  // namespace glowpond::testing
