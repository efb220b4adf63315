// make-demo-image OUT: writes the demo firmware image, 1 MiB of xorshift
// bytes behind a readable header, the same bytes on every run and host.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr std::size_t kImageSize = 1048576;
constexpr char kHeader[] = "NORVEK DEMO FIRMWARE VELMORA DVDRW KTV-360R 1.05";

std::vector<std::uint8_t> DemoImage() {
    std::vector<std::uint8_t> image(kImageSize);
    std::uint32_t x = 0x2F6B1C35u;
    for (std::uint8_t& byte : image) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        byte = static_cast<std::uint8_t>(x >> 24);
    }
    std::memcpy(image.data(), kHeader, sizeof kHeader);
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-demo-image OUT\n");
        return 1;
    }
    const std::vector<std::uint8_t> image = DemoImage();
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out) {
        std::fprintf(stderr, "make-demo-image: cannot open %s\n", argv[1]);
        return 2;
    }
    const bool written = std::fwrite(image.data(), 1, image.size(), out) == image.size();
    if (std::fclose(out) != 0 || !written) {
        std::fprintf(stderr, "make-demo-image: cannot write %s\n", argv[1]);
        return 2;
    }
    return 0;
}
