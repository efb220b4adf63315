// The two commands of norvek-pack, callable from tests. Each returns the
// process exit code (ExitCode) and reports on the two streams.
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>

namespace pack {

struct BuildOptions {
    std::filesystem::path templatePath;
    std::filesystem::path manifestPath;
    std::filesystem::path outputPath;
    bool force = false;  // pack a file that already holds a package
    // Pack a template that carries the generated test loaders, or none that
    // can be told: a package for tests and demos, never for a real drive.
    bool testLoaders = false;
};

struct InspectOptions {
    std::filesystem::path file;
    std::optional<std::filesystem::path> manifestOut;  // images are written beside it
};

int RunBuild(const BuildOptions& options, std::ostream& out, std::ostream& err);
int RunInspect(const InspectOptions& options, std::ostream& out, std::ostream& err);

}  // namespace pack
