// kcview: the review page and the checks of an exported file, before it goes to the tax
// application.

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "tools/view/Checks.h"
#include "tools/view/ExportReader.h"
#include "tools/view/Page.h"

namespace {

int Usage() {
    std::cerr << "usage: kcview EXPORT.xml [-o REVIEW.html] [--check]\n"
                 "  writes the review page (by default EXPORT.html beside the file);\n"
                 "  --check prints the failed checks and exits 1 when any fails, 0 when all "
                 "hold\n";
    return 2;
}

std::string DefaultPagePath(const std::string& exportPath) {
    const std::size_t slash = exportPath.find_last_of('/');
    const std::size_t dot = exportPath.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        return exportPath.substr(0, dot) + ".html";
    return exportPath + ".html";
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool WritePage(const std::string& path, const std::string& page) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::cerr << "kcview: cannot write " << path << ": " << std::strerror(errno) << "\n";
        return false;
    }
    const bool written = std::fwrite(page.data(), 1, page.size(), file) == page.size();
    const int error = errno;
    if (std::fclose(file) != 0 || !written) {
        std::cerr << "kcview: cannot write " << path << ": "
                  << std::strerror(written ? errno : error) << "\n";
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
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
