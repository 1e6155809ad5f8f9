// kcview: the review page and the checks of an exported file, before it goes to the tax
// application.

#include "tools/kcview/Kcview.h"

#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/kcview/Checks.h"
#include "tools/kcview/Comparison.h"
#include "tools/kcview/ExportReader.h"
#include "tools/kcview/Page.h"
#include "tools/kcview/PageFile.h"

namespace {

int Usage() {
    std::cerr << "usage: kcview EXPORT.xml [-o REVIEW.html] [--check] [--previous LAST.xml "
                 "[--flag-change PERCENT%,YEN]]\n"
                 "  writes the review page (by default EXPORT.html beside the file);\n"
                 "  --check prints the failed checks and exits 1 when any fails, 0 when all "
                 "hold;\n"
                 "  --previous shows last year's export beside this one and marks the changes of "
                 "at least\n"
                 "  PERCENT per cent and YEN yen (by default 30%,1000000)\n";
    return 2;
}

// The file read whole, or nothing when it is refused (the reason is on the error output).
std::optional<kcview::ExportDocument> Read(const std::string& path) {
    kcview::ReadResult read = kcview::ReadExportFile(path);
    if (read.ok) return std::move(read.document);
    std::cerr << "kcview: " << path;
    if (read.line > 0) std::cerr << ", line " << read.line;
    std::cerr << ": " << read.reason << "\n";
    return std::nullopt;
}

}  // namespace

int kcview::Run(int argc, char** argv, RunSummary* summary) {
    std::string exportPath;
    std::string pagePath;
    std::string previousPath;
    std::optional<kcview::ChangeThreshold> threshold;
    bool check = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--check") {
            check = true;
        } else if (arg == "-o" && i + 1 < argc) {
            pagePath = argv[++i];
        } else if (arg == "--previous" && i + 1 < argc) {
            previousPath = argv[++i];
        } else if (arg == "--flag-change" && i + 1 < argc) {
            threshold = kcview::ParseChangeThreshold(argv[++i]);
            if (!threshold) {
                std::cerr << "kcview: --flag-change " << argv[i]
                          << ": give a per cent and an amount in yen, such as 20%,500000\n";
                return Usage();
            }
        } else if (arg.empty() || arg[0] == '-' || !exportPath.empty()) {
            return Usage();
        } else {
            exportPath = arg;
        }
    }
    if (exportPath.empty()) return Usage();
    if (threshold && previousPath.empty()) {
        std::cerr << "kcview: --flag-change marks changes from last year: give --previous too\n";
        return Usage();
    }

    const std::optional<kcview::ExportDocument> document = Read(exportPath);
    if (!document) return 2;
    std::optional<kcview::ExportDocument> previous;
    if (!previousPath.empty()) {
        previous = Read(previousPath);
        if (!previous) return 2;
        const std::string problem = kcview::PrecedingYearProblem(*document, *previous);
        if (!problem.empty()) {
            std::cerr << "kcview: " << previousPath << ": " << problem << "\n";
            return 2;
        }
    }

    const std::vector<kcview::CheckOutcome> outcomes =
        kcview::RunChecks(*document, previous ? &*previous : nullptr);
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
            const std::string sides =
                kcview::DescribeSide(failure.left) + " ≠ " + kcview::DescribeSide(failure.right);
            std::cout << outcome.check->name << ": " << sides << "\n";
            if (summary) summary->failures.push_back(outcome.check->title + (": " + sides));
        }
    }
    std::cout.flush();
    if (summary) {
        summary->checks = outcomes.size();
        summary->failed = failed;
    }

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
        std::optional<kcview::Comparison> comparison;
        if (previous)
            comparison = kcview::CompareYears(*document, *previous,
                                              threshold.value_or(kcview::ChangeThreshold{}));
        const kcview::PageMaker make = [&](const kcview::PageOut& out, std::string* reason) {
            return kcview::WritePage(
                *document, outcomes, comparison ? &*comparison : nullptr,
                [&](const kcview::LedgerAccountSink& sink) {
                    return kcview::ReadExportFile(exportPath, sink);
                },
                out, reason);
        };
        if (!WritePage(pagePath, make)) return 2;
        std::cerr << "kcview: wrote " << pagePath << "\n";
        if (summary) summary->pagePath = pagePath;
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
