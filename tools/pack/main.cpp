// norvek-pack: writes a package into a built updater, or shows one.

#include <CLI/CLI.hpp>
#include <iostream>

#include "commands.h"
#include "pack_result.h"

int main(int argc, char** argv) {
    CLI::App app{"norvek-pack: writes a firmware package into a built norvek.exe, or shows one"};
    app.require_subcommand(1);

    pack::BuildOptions build;
    CLI::App* buildCmd = app.add_subcommand("build", "Pack a manifest into a template");
    buildCmd->add_option("--template", build.templatePath, "Built updater to pack")->required();
    buildCmd->add_option("--manifest", build.manifestPath, "Package manifest (TOML)")->required();
    buildCmd->add_option("-o,--output", build.outputPath, "Packed executable to write")->required();
    buildCmd->add_flag("--force", build.force, "Pack a file that already holds a package");
    buildCmd->add_flag("--test-loaders", build.testLoaders,
                       "Pack a template that carries the generated test loaders (tests and demos only)");

    pack::InspectOptions inspect;
    std::string manifestOut;
    CLI::App* inspectCmd = app.add_subcommand("inspect", "Show the package of an executable");
    inspectCmd->add_option("file", inspect.file, "Executable to inspect")->required();
    inspectCmd->add_option("--manifest-out", manifestOut, "Write the package back as a manifest and images");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : static_cast<int>(pack::ExitCode::kUsage);
    }
    if (*buildCmd) return pack::RunBuild(build, std::cout, std::cerr);
    if (!manifestOut.empty()) inspect.manifestOut = manifestOut;
    return pack::RunInspect(inspect, std::cout, std::cerr);
}
