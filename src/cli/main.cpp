#include "cli/Commands.h"
#include "common/Version.h"
#include "design/FormatTable.h"

#include <iostream>

int main(int argc, char** argv) {
    CLI::App app{"Tessaline command-line converter: reads an embroidery design (" +
                     tessaline::formatSampleList(3, tessaline::FormatSample::OnePerMaker) + ") and\n"
                     "prints its figures, writes its G-code program or renders its preview.",
                 "tessaline-cli"};
    app.set_version_flag("--version", "tessaline-cli " + tessaline::versionText());
    app.require_subcommand(0, 1);
    tessaline::cli::addInfoCommand(app);
    tessaline::cli::addConvertCommand(app);
    tessaline::cli::addPreviewCommand(app);
    tessaline::cli::addProfileCommands(app);
    tessaline::cli::addTraceCommand(app);
    tessaline::cli::addSendCommand(app);
    try {
        app.parse(argc, argv);
        if (app.get_subcommands().empty()) {
            std::cout << app.help();
        }
    } catch (const CLI::Success& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return 2;
    } catch (...) {
        return tessaline::cli::reportFailure(app);
    }
    return 0;
}
