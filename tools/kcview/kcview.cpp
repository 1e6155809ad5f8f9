// kcview: the review page and the checks of an exported file, before it goes to the tax
// application.

#include "tools/kcview/Kcview.h"

#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "messages/tools/ToolMessages.h"
#include "native/Failure.h"
#include "native/Interrupts.h"
#include "native/RunFiles.h"
#include "tools/kcview/BooksFromStore.h"
#include "tools/kcview/Checks.h"
#include "tools/kcview/Comparison.h"
#include "tools/kcview/ExportReader.h"
#include "tools/kcview/KcviewMessages.h"
#include "tools/kcview/Page.h"
#include "tools/kcview/PageFile.h"

namespace {

using kcview_messages::Id;
using kcview_messages::Say;

constexpr int kFailed = 2;

int Usage() {
    std::cerr << Say(Id::kUsage);
    return kFailed;
}

// kcview's sentence for a failed call of the system. The exported files are only read and the
// page only written, so the call tells which the path is.
std::string Told(const native::Failure& failure) {
    const std::string& call = failure.Call();
    if (call == "open" && failure.Kind() == native::FailureKind::kNotPlainFile)
        return Say(Id::kNotRegular, {{"file", failure.Path()}});
    if (call == "open")
        return Say(Id::kCannotOpen,
                   {{"file", failure.Path()}, {"reason", tool_messages::FailureReason(failure)}});
    if (call == "read" || call == "seek")
        return Say(Id::kCannotRead,
                   {{"file", failure.Path()}, {"reason", tool_messages::FailureReason(failure)}});
    return Say(Id::kCannotWrite,
               {{"page", failure.Path()}, {"reason", tool_messages::FailureReason(failure)}});
}

// The file read whole, or nothing when it is refused (the reason is on the error output). Its
// ledger's accounts go to `ledger` as they are read.
std::optional<kcview::ExportDocument> Read(const std::string& path,
                                           kcview::LedgerFacts* ledger = nullptr) {
    kcview::ReadResult read =
        ledger ? kcview::ReadExportFile(
                     path, [ledger](const kcview::LedgerAccount& account) { ledger->Add(account); })
               : kcview::ReadExportFile(path);
    if (read.ok) return std::move(read.document);
    if (read.line > 0) {
        std::cerr << Say(Id::kFileRefusedAtLine,
                         {{"file", path}, {"line", read.line}, {"reason", read.reason}});
    } else {
        std::cerr << Say(Id::kFileRefused, {{"file", path}, {"reason", read.reason}});
    }
    std::cerr << "\n";
    return std::nullopt;
}

// The outcomes on the console (with --check) and in the summary a host shows; the closing line
// of the run, said before the page is written since, once it is in place, the run takes no
// memory to report.
struct Tally {
    std::size_t failed = 0;
    std::size_t warned = 0;
    std::size_t notApplicable = 0;
};

std::string Sides(const kcview::Disagreement& found, bool grouped) {
    std::string text = kcview::DescribeSide(found.left, grouped) + " ≠ " +
                       kcview::DescribeSide(found.right, grouped);
    return found.note.empty() ? text : text + ": " + found.note;
}

Tally Report(const std::vector<kcview::CheckOutcome>& outcomes, bool check,
             kcview::RunSummary* summary) {
    Tally tally;
    for (const kcview::CheckOutcome& outcome : outcomes) {
        const std::string name = outcome.check->name;
        if (!outcome.notApplicable.empty()) {
            ++tally.notApplicable;
            if (check) std::cout << name << ": 対象外: " << outcome.notApplicable << "\n";
        }
        tally.failed += outcome.failures.empty() ? 0 : 1;
        tally.warned += outcome.warnings.empty() ? 0 : 1;
        if (!check) continue;
        for (const kcview::Disagreement& failure : outcome.failures) {
            std::cout << name << ": " << Sides(failure, false) << "\n";
            // A box shows the figures; their notes stand on the page.
            if (summary)
                summary->failures.push_back(std::string(outcome.check->title) + ": " +
                                            Sides({failure.left, failure.right}, true));
        }
        for (const kcview::Disagreement& warning : outcome.warnings) {
            std::cout << name << ": 注意: " << Sides(warning, false) << "\n";
            if (summary)
                summary->warnings.push_back(std::string(outcome.check->title) + ": " +
                                            Sides({warning.left, warning.right}, true));
        }
    }
    std::cout.flush();
    if (summary) {
        summary->checks = outcomes.size();
        summary->failed = tally.failed;
        summary->warned = tally.warned;
        summary->notApplicable = tally.notApplicable;
    }
    return tally;
}

std::string ClosingLine(const Tally& tally, std::size_t checks) {
    std::string line;
    if (tally.failed == 0 && tally.notApplicable > 0) {
        line = Say(Id::kSomeNotApplicable, {{"held", checks - tally.notApplicable},
                                            {"checks", checks},
                                            {"excluded", tally.notApplicable}});
    } else if (tally.failed == 0) {
        line = Say(Id::kAllHold, {{"checks", checks}});
    } else {
        line = Say(Id::kSomeFailed, {{"failed", tally.failed}, {"checks", checks}});
    }
    if (tally.warned > 0) line += Say(Id::kWithWarnings, {{"warned", tally.warned}});
    return line;
}

int Review(int argc, char** argv, kcview::RunSummary* summary, native::Interrupts& interrupts) {
    std::string exportPath;
    std::string pagePath;
    std::string previousPath;
    std::string booksPath;
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
        } else if (arg == "--books" && i + 1 < argc) {
            booksPath = argv[++i];
        } else if (arg == "--flag-change" && i + 1 < argc) {
            threshold = kcview::ParseChangeThreshold(argv[++i]);
            if (!threshold) {
                std::cerr << Say(Id::kBadFlagChange, {{"value", argv[i]}}) << "\n";
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
        std::cerr << Say(Id::kFlagChangeAlone) << "\n";
        return Usage();
    }

    kcview::LedgerFacts ledger("総勘定元帳");
    const std::optional<kcview::ExportDocument> document = Read(exportPath, &ledger);
    if (!document) return kFailed;
    std::optional<kcview::ExportDocument> previous;
    if (!previousPath.empty()) {
        previous = Read(previousPath);
        if (!previous) return kFailed;
        const std::string problem = kcview::PrecedingYearProblem(*document, *previous);
        if (!problem.empty()) {
            std::cerr << Say(Id::kPreviousRefused, {{"file", previousPath}, {"reason", problem}})
                      << "\n";
            return kFailed;
        }
    }

    // The books the file came from: without its own ledger, the file is read with theirs.
    std::optional<kcview::BooksReview> books;
    if (!booksPath.empty()) {
        books.emplace();
        const kcview::BooksRead read = kcview::ReadBooks(booksPath, *document, &*books);
        if (!read.ok) {
            std::cerr << read.refusal << "\n";
            return kFailed;
        }
    }
    const kcview::LedgerFacts* accounts = document->hasLedger ? &ledger
                                          : books             ? &books->ledger
                                                              : nullptr;
    const kcview::ReviewInputs inputs{*document, previous ? &*previous : nullptr, accounts,
                                      books ? &*books : nullptr};
    const std::vector<kcview::CheckOutcome> outcomes = kcview::RunChecks(inputs);
    const Tally tally = Report(outcomes, check, summary);
    const std::string checksLine = ClosingLine(tally, outcomes.size());

    if (!check || !pagePath.empty()) {
        if (pagePath.empty()) pagePath = kcview::DefaultPagePath(exportPath);
        // The files this run reads, by any name (a link, another spelling): the page never
        // replaces one of them.
        native::RunFiles files;
        files.Add(exportPath, Say(Id::kRoleExport));
        if (previous) files.Add(previousPath, Say(Id::kRolePrevious));
        if (books) files.Add(booksPath, Say(Id::kRoleBooks));
        if (const std::optional<std::string> clash = files.Clash(pagePath)) {
            std::cerr << Say(Id::kPageClash, {{"page", pagePath}, {"role", *clash}}) << "\n";
            return kFailed;
        }
        if (!kcview::IsReplaceableTarget(pagePath)) {
            std::cerr << Say(Id::kPageNotRegular, {{"page", pagePath}}) << "\n";
            return kFailed;
        }
        std::optional<kcview::Comparison> comparison;
        if (previous)
            comparison = kcview::CompareYears(*document, *previous,
                                              threshold.value_or(kcview::ChangeThreshold{}));
        // The notes are headed by the books' own titles where the books give them.
        const kcview::PageMaker make = [&](const kcview::PageOut& out, std::string* reason) {
            return kcview::WritePage(
                *document, outcomes, comparison ? &*comparison : nullptr,
                [&](const kcview::LedgerAccountSink& sink) {
                    return kcview::ReadExportFile(exportPath, sink);
                },
                out, reason, books ? &books->noteTitles : nullptr);
        };
        const std::string wrote = Say(Id::kWrote, {{"page", pagePath}});
        std::string reason;
        if (!kcview::WritePage(pagePath, make, &reason)) {
            std::cerr << Say(Id::kCannotWrite, {{"page", pagePath}, {"reason", reason}}) << "\n";
            return kFailed;
        }
        // The page is in place: from here the run reports itself.
        interrupts.Disarm();
        std::cerr << wrote << "\n";
        if (summary) summary->pagePath = pagePath;
    }
    std::cerr << checksLine << "\n";
    return check && tally.failed > 0 ? 1 : 0;
}

}  // namespace

// The edge: whatever ends the run, a message and the failure status; the page's temporary goes
// with the stack that unwinds (native::TempFile), or with the interrupt's clean-up.
int kcview::Run(int argc, char** argv, RunSummary* summary) {
    try {
        native::Interrupts interrupts(
            {nullptr, [] { std::cerr << Say(Id::kInterrupted) << std::endl; }}, kFailed);
        return Review(argc, argv, summary, interrupts);
    } catch (const std::bad_alloc&) {
        std::cerr << kcview_messages::Text(Id::kNoMemory);
    } catch (const native::Failure& failure) {
        // A run ending on a signal: the interrupt's clean-up reports it.
        if (failure.Kind() == native::FailureKind::kRunEnding) return kFailed;
        try {
            std::cerr << Told(failure) << "\n";
        } catch (const std::bad_alloc&) {
            std::cerr << kcview_messages::Text(Id::kNoMemory);
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

std::string kcview::BooksOfExport(const std::string& exportPath,
                                  const std::vector<std::string>& stores) {
    // Read for its company and year alone; the run reads it again for everything else.
    try {
        const ReadResult read = ReadExportFile(exportPath);
        if (!read.ok) return "";
        for (const std::string& store : stores) {
            if (HoldsBooksOf(store, read.document)) return store;
        }
    } catch (const native::Failure&) {
    } catch (const std::bad_alloc&) {
    }
    return "";
}
