#include "updater_files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "src/drive/command_codes.h"
#include "src/package/package_layout.h"
#include "src/package/package_reader.h"
#include "tools/pack/commands.h"
#include "support/pe_image.h"
#include "tools/pack/sha256.h"

namespace sgsim {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kCodeBefore = 0x1234;
constexpr std::size_t kCodeBetween = 0x333;

}  // namespace

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> TestLoaderStore() { return ReadBytes(NORVEK_TEST_LOADERS_BIN); }

std::vector<std::uint8_t> SyntheticTemplate(LoaderSetKind kind, const std::vector<std::uint8_t>& store,
                                            const std::uint8_t* block) {
    std::vector<std::uint8_t> file = testpe::PeHeaders();
    file.resize(kCodeBefore, 0xCC);
    if (block == nullptr) block = pkg::EmbeddedBlock();
    file.insert(file.end(), block, block + pkg::kBlockSize);
    file.insert(file.end(), kCodeBetween, 0x90);
    if (store.empty()) return file;
    const LoaderRecord record{
        LoaderRecordMagic(), LittleEndian32(static_cast<std::uint32_t>(store.size())), kind, {}, pack::Sha256(store)};
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
    file.insert(file.end(), bytes, bytes + sizeof record);
    file.insert(file.end(), store.begin(), store.end());
    file.insert(file.end(), 64, 0x00);
    return file;
}

std::vector<std::uint8_t> DemoImage() {
    const fs::path image = fs::temp_directory_path() / ("norvek-demo-image-" + std::to_string(getpid()) + ".bin");
    const std::string command = std::string(NORVEK_MAKE_DEMO_IMAGE) + " " + image.string();
    if (std::system(command.c_str()) != 0) throw std::runtime_error("make-demo-image failed");
    std::vector<std::uint8_t> bytes = ReadBytes(image);
    fs::remove(image);
    return bytes;
}

std::vector<std::uint8_t> DemoImageWithZeroTails(std::size_t bytes) {
    std::vector<std::uint8_t> image = DemoImage();
    for (std::size_t end = wire::kPieceSize; end <= image.size(); end += wire::kPieceSize) {
        std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(end - bytes), bytes, 0);
    }
    return image;
}

fs::path PackUpdater(const fs::path& dir, const std::string& name, const std::vector<std::uint8_t>& templateBytes,
                     const std::string& manifestText) {
    const fs::path templatePath = dir / (name + ".template");
    const fs::path manifest = dir / (name + ".toml");
    WriteBytes(templatePath, templateBytes);
    std::ofstream(manifest) << manifestText;
    pack::BuildOptions options;
    options.templatePath = templatePath;
    options.manifestPath = manifest;
    options.outputPath = dir / name;
    options.testLoaders = true;
    std::ostringstream out;
    std::ostringstream err;
    if (pack::RunBuild(options, out, err) != 0) throw std::runtime_error("packing " + name + ": " + err.str());
    return options.outputPath;
}

fs::path DemoUpdater(const fs::path& dir, const std::string& name) {
    return DemoUpdaterWith(dir, DemoImage(), {}, name);
}

fs::path DemoUpdaterWith(const fs::path& dir, const std::vector<std::uint8_t>& image,
                         const std::vector<std::string>& settings, const std::string& name) {
    WriteBytes(dir / "demo-image.bin", image);
    std::ifstream manifest(NORVEK_DEMO_MANIFEST);
    std::string text;
    for (std::string line; std::getline(manifest, line);) {
        for (const std::string& setting : settings) {
            const std::string key = setting.substr(0, setting.find(' '));
            if (line.rfind(key + " ", 0) == 0) line = setting;
        }
        text += line + "\n";
    }
    return PackUpdater(dir, name, SyntheticTemplate(kTestLoaderSet, TestLoaderStore()), text);
}

bool SignedCopy(const fs::path& in, const fs::path& out, std::string& problem) {
    if (std::system("command -v osslsigncode >/dev/null && command -v openssl >/dev/null") != 0) {
        problem = "osslsigncode or openssl is not installed";
        return false;
    }
    const std::string command = std::string(NORVEK_SIGN_FILE) + " '" + in.string() + "' '" + out.string() + "' '" +
                                (out.parent_path() / "signing").string() + "'";
    if (std::system(command.c_str()) != 0 || !fs::exists(out)) {
        problem = "signing failed: " + command;
        return false;
    }
    return true;
}

ScratchDir::ScratchDir() {
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    std::string label = test ? std::string(test->test_suite_name()) + "-" + test->name() : "scratch";
    std::replace(label.begin(), label.end(), '/', '-');  // parameterised tests have them in their names
    path_ = fs::temp_directory_path() / ("norvek-flash-" + label + "-" + std::to_string(getpid()));
    fs::remove_all(path_);
    fs::create_directories(path_);
}

ScratchDir::~ScratchDir() {
    std::error_code error;
    fs::remove_all(path_, error);
}

}  // namespace sgsim
