#include <CLI/CLI.hpp>
#include <fmt/core.h>

#include "core/Version.h"

int main(int argc, char** argv) {
    CLI::App app{"quorvel: maintenance of a Windows environment"};
    app.set_version_flag("--version", quorvel::core::kProductVersion);
    CLI11_PARSE(app, argc, argv);
    return 0;
}
