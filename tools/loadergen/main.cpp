// Writes the generated test loader set: norvek-loadergen OUTPUT
#include <cstdio>
#include <fstream>

#include "loader_set.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: norvek-loadergen OUTPUT\n");
        return 2;
    }
    const std::vector<std::uint8_t> store = loadergen::MakeLoaderStore();
    std::ofstream out(argv[1], std::ios::binary);
    out.write(reinterpret_cast<const char*>(store.data()), static_cast<std::streamsize>(store.size()));
    if (!out) {
        std::fprintf(stderr, "norvek-loadergen: cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("%zu bytes written to %s\n", store.size(), argv[1]);
    return 0;
}
