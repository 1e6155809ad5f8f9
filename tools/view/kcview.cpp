// kcview: the review page and the checks of an exported file, before it goes to the tax
// application.

#include "tools/view/Kcview.h"

#include <iostream>
#include <string>

#include "tools/view/Checks.h"
#include "tools/view/ExportReader.h"
#include "tools/view/Page.h"
#include "tools/view/PageFile.h"

namespace {

int Usage() {
    std::cerr << "usage: kcview EXPORT.xml [-o REVIEW.html] [--check]\n"
                 "  writes the review page (by default EXPORT.html beside the file);\n"
                 "  --check prints the failed checks and exits 1 when any fails, 0 when all "
                 "hold\n";
    return 2;
}

}  // namespace

int kcview::Run(int argc, char** argv) {
    std::string exportPath;
    std::string pagePath;
    bool check = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--check") {
            check = true;
        } else if (arg == "-o" && i + 1 < argc) {
            pagePath = argv[++i];
        } else if (arg.empty() || arg[0] == '-' || !exportPath.empty()) {
            return Usage();
        } else {
            exportPath = arg;
        }
    }
    if (exportPath.empty()) return Usage();

    kcview::ReadResult read = kcview::ReadExportFile(exportPath);
    if (!read.ok) {
        std::cerr << "kcview: " << exportPath;
        if (read.line > 0) std::cerr << ", line " << read.line;
        std::cerr << ": " << read.reason << "\n";
        return 2;
    }

    const std::vector<kcview::CheckOutcome> outcomes = kcview::RunChecks(read.document);
    std::size_t failed = 0;
    std::size_t notApplicable = 0;
    for (const kcview::CheckOutcome& outcome : outcomes) {
        if (!outcome.notApplicable.empty()) {
            ++notApplicable;
            if (check)
                std::cout << outcome.check->name << ": 対象外: " << outcome.notApplicable << "\n";
        }
        if (outcome.failures.empty()) continue;
        ++failed;
        if (!check) continue;
        for (const kcview::Disagreement& failure : outcome.failures) {
            std::cout << outcome.check->name << ": " << kcview::DescribeSide(failure.left) << " ≠ "
                      << kcview::DescribeSide(failure.right) << "\n";
        }
    }
    std::cout.flush();

    if (!check || !pagePath.empty()) {
        if (pagePath.empty()) pagePath = DefaultPagePath(exportPath);
        if (SameFile(pagePath, exportPath)) {
            std::cerr << "kcview: " << pagePath
                      << " is the exported file itself; give -o another path\n";
            return 2;
        }
        if (!IsReplaceableTarget(pagePath)) {
            std::cerr << "kcview: " << pagePath
                      << " is not a regular file (a folder, a pipe or a device); give -o another "
                         "path\n";
            return 2;
        }
        if (!WritePage(pagePath, kcview::RenderPage(read.document, outcomes))) return 2;
        std::cerr << "kcview: wrote " << pagePath << "\n";
    }
    if (failed == 0 && notApplicable > 0) {
        std::cerr << "kcview: " << outcomes.size() - notApplicable << " of " << outcomes.size()
                  << " checks hold, " << notApplicable << " not applicable\n";
    } else if (failed == 0) {
        std::cerr << "kcview: all " << outcomes.size() << " checks hold\n";
    } else {
        std::cerr << "kcview: " << failed << " of " << outcomes.size() << " checks failed\n";
    }
    return check && failed > 0 ? 1 : 0;
}
