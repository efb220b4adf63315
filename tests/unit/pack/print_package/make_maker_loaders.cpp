// Writes a stand-in for the maker's loader file: the test set with every
// non-zero byte changed and every zero kept, so the zero tails the build
// checks still hold. make-maker-loaders TEST_SET OUTPUT
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make-maker-loaders TEST_SET OUTPUT\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), {}};
    if (!in.is_open() || bytes.empty()) {
        std::fprintf(stderr, "make-maker-loaders: cannot read %s\n", argv[1]);
        return 1;
    }
    for (unsigned char& b : bytes) {
        if (b != 0) b = static_cast<unsigned char>(b % 255 + 1);
    }
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return out ? 0 : 1;
}
