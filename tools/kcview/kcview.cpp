// kcview: the review page and the checks of an exported file, before it goes to the tax
// application.

#include "tools/kcview/Kcview.h"

#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "native/Failure.h"
#include "native/Interrupts.h"
#include "native/RunFiles.h"
#include "tools/kcview/Checks.h"
#include "tools/kcview/Comparison.h"
#include "tools/kcview/ExportReader.h"
#include "tools/kcview/Page.h"
#include "tools/kcview/PageFile.h"

namespace {

constexpr int kFailed = 2;

// No allocation: it is written when there is no memory left.
constexpr const char* kNoMemory =
    "kcview: not enough memory; close other programs and run kcview again\n";

int Usage() {
    std::cerr << "usage: kcview EXPORT.xml [-o REVIEW.html] [--check] [--previous LAST.xml "
                 "[--flag-change PERCENT%,YEN]]\n"
                 "  writes the review page (by default EXPORT.html beside the file);\n"
                 "  --check prints the failed checks and exits 1 when any fails, 0 when all "
                 "hold;\n"
                 "  --previous shows last year's export beside this one and marks the changes of "
                 "at least\n"
                 "  PERCENT per cent and YEN yen (by default 30%,1000000)\n";
    return kFailed;
}

// kcview's sentence for a failed call of the system. The exported files are only read and the
// page only written, so the call tells which the path is.
std::string Told(const native::Failure& failure) {
    const std::string& call = failure.Call();
    if (call == "open" && failure.Kind() == native::FailureKind::kNotPlainFile)
        return failure.Path() + ": is not a regular file";
    if (call == "open")
        return failure.Path() + ": cannot open the file: " + native::Reason(failure);
    if (call == "read" || call == "seek")
        return failure.Path() + ": cannot read the file: " + native::Reason(failure);
    return "cannot write " + native::Sentence(failure);
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

int Review(int argc, char** argv, kcview::RunSummary* summary, native::Interrupts& interrupts) {
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
    if (!document) return kFailed;
    std::optional<kcview::ExportDocument> previous;
    if (!previousPath.empty()) {
        previous = Read(previousPath);
        if (!previous) return kFailed;
        const std::string problem = kcview::PrecedingYearProblem(*document, *previous);
        if (!problem.empty()) {
            std::cerr << "kcview: " << previousPath << ": " << problem << "\n";
            return kFailed;
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
            if (summary) {
                summary->failures.push_back(std::string(outcome.check->title) + ": " +
                                            kcview::DescribeSide(failure.left, true) + " ≠ " +
                                            kcview::DescribeSide(failure.right, true));
            }
        }
    }
    std::cout.flush();
    if (summary) {
        summary->checks = outcomes.size();
        summary->failed = failed;
        summary->notApplicable = notApplicable;
    }

    if (!check || !pagePath.empty()) {
        if (pagePath.empty()) pagePath = kcview::DefaultPagePath(exportPath);
        // The files this run reads, by any name (a link, another spelling): the page never
        // replaces one of them.
        native::RunFiles files;
        files.Add(exportPath, "the exported file itself");
        if (previous) files.Add(previousPath, "last year's export (--previous)");
        if (const std::optional<std::string> clash = files.Clash(pagePath)) {
            std::cerr << "kcview: " << pagePath << " is " << *clash << "; give -o another path\n";
            return kFailed;
        }
        if (!kcview::IsReplaceableTarget(pagePath)) {
            std::cerr << "kcview: " << pagePath
                      << " is not a regular file (a folder, a pipe or a device); give -o another "
                         "path\n";
            return kFailed;
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
        std::string reason;
        if (!kcview::WritePage(pagePath, make, &reason)) {
            std::cerr << "kcview: cannot write " << pagePath << ": " << reason << "\n";
            return kFailed;
        }
        // The page is in place: from here the run reports itself.
        interrupts.Disarm();
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

}  // namespace

// The edge: whatever ends the run, a message and the failure status; the page's temporary goes
// with the stack that unwinds (native::TempFile), or with the interrupt's clean-up.
int kcview::Run(int argc, char** argv, RunSummary* summary) {
    try {
        native::Interrupts interrupts(
            {nullptr, [] { std::cerr << "kcview: interrupted; run kcview again" << std::endl; }},
            kFailed);
        return Review(argc, argv, summary, interrupts);
    } catch (const std::bad_alloc&) {
        std::cerr << kNoMemory;
    } catch (const native::Failure& failure) {
        // A run ending on a signal: the interrupt's clean-up reports it.
        if (failure.Kind() == native::FailureKind::kRunEnding) return kFailed;
        try {
            std::cerr << "kcview: " << Told(failure) << "\n";
        } catch (const std::bad_alloc&) {
            std::cerr << kNoMemory;
        }
    }
    return kFailed;
}

int kcview::LastYearOf(const std::string& first, const std::string& second) {
    // Read for their fiscal years alone; the run reads them again for everything else, and says
    // what is wrong with a file that cannot be read.
    try {
        const ReadResult one = ReadExportFile(first);
        const ReadResult other = ReadExportFile(second);
        if (!one.ok || !other.ok) return -1;
        if (PrecedingYearProblem(one.document, other.document).empty()) return 1;
        if (PrecedingYearProblem(other.document, one.document).empty()) return 0;
    } catch (const native::Failure&) {
    } catch (const std::bad_alloc&) {
    }
    return -1;
}
