// kcview: the review page and the checks of an exported file, before it goes to the tax
// application.

#include "tools/kcview/Kcview.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <iostream>
#include <new>
#include <optional>
#include <ostream>
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

int Usage(std::ostream& err) {
    err << Say(Id::kUsage);
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
std::optional<kcview::ExportDocument> Read(const std::string& path, std::ostream& err,
                                           kcview::LedgerFacts* ledger = nullptr) {
    kcview::ReadResult read =
        ledger ? kcview::ReadExportFile(
                     path, [ledger](const kcview::LedgerAccount& account) { ledger->Add(account); })
               : kcview::ReadExportFile(path);
    if (read.ok) return std::move(read.document);
    if (read.line > 0) {
        err << Say(Id::kFileRefusedAtLine,
                   {{"file", path}, {"line", read.line}, {"reason", read.reason}});
    } else {
        err << Say(Id::kFileRefused, {{"file", path}, {"reason", read.reason}});
    }
    err << "\n";
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

Tally Report(const std::vector<kcview::CheckOutcome>& outcomes, bool check, std::ostream& out,
             kcview::RunSummary* summary) {
    Tally tally;
    for (const kcview::CheckOutcome& outcome : outcomes) {
        const std::string name = outcome.check->name;
        if (!outcome.notApplicable.empty()) {
            ++tally.notApplicable;
            if (check) out << name << ": 対象外: " << outcome.notApplicable << "\n";
        }
        tally.failed += outcome.failures.empty() ? 0 : 1;
        tally.warned += outcome.warnings.empty() ? 0 : 1;
        if (!check) continue;
        for (const kcview::Disagreement& failure : outcome.failures) {
            out << name << ": " << Sides(failure, false) << "\n";
            // A box shows the figures; their notes stand on the page.
            if (summary)
                summary->failures.push_back(std::string(outcome.check->title) + ": " +
                                            Sides({failure.left, failure.right}, true));
        }
        for (const kcview::Disagreement& warning : outcome.warnings) {
            out << name << ": 注意: " << Sides(warning, false) << "\n";
            if (summary)
                summary->warnings.push_back(std::string(outcome.check->title) + ": " +
                                            Sides({warning.left, warning.right}, true));
        }
    }
    out.flush();
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

// The figures the office's summary shows of a file.
void Figures(const kcview::ExportDocument& document, std::optional<std::int64_t>* netIncome,
             std::optional<std::int64_t>* totalAssets) {
    const auto amount = [&](const char* statement, const char* total) {
        const kcview::XmlNode* section = document.Section(statement);
        const kcview::XmlNode* node = section ? section->Child(total) : nullptr;
        const std::string* text = node ? node->Attribute("Amount") : nullptr;
        return text && !text->empty() ? kcview::ParseAmount(*text) : std::nullopt;
    };
    *netIncome = amount("IncomeStatement", "NetIncome");
    *totalAssets = amount("BalanceSheet", "Assets");
}

std::size_t MarkedLines(const kcview::Comparison& comparison) {
    std::size_t marked = 0;
    for (const kcview::ComparedStatement& statement : comparison.statements) {
        for (const kcview::ComparedLine& line : statement.lines) marked += line.marked ? 1 : 0;
    }
    return marked;
}

// The run: its refusals and closing lines on `err`, the checks' lines on `out`. The floor's
// failures and memory running out are raised to the caller. `pageInPlace` is told once the page
// stands at its target.
int ReviewFile(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               kcview::RunSummary* summary, const std::function<void()>& pageInPlace) {
    std::string exportPath;
    std::string pagePath;
    std::string previousPath;
    std::string booksPath;
    std::optional<kcview::ChangeThreshold> threshold;
    bool check = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--check") {
            check = true;
        } else if (arg == "-o" && hasValue) {
            pagePath = args[++i];
        } else if (arg == "--previous" && hasValue) {
            previousPath = args[++i];
        } else if (arg == "--books" && hasValue) {
            booksPath = args[++i];
        } else if (arg == "--flag-change" && hasValue) {
            threshold = kcview::ParseChangeThreshold(args[++i]);
            if (!threshold) {
                err << Say(Id::kBadFlagChange, {{"value", args[i]}}) << "\n";
                return Usage(err);
            }
        } else if (arg.empty() || arg[0] == '-' || !exportPath.empty()) {
            return Usage(err);
        } else {
            exportPath = arg;
        }
    }
    if (exportPath.empty()) return Usage(err);
    if (threshold && previousPath.empty()) {
        err << Say(Id::kFlagChangeAlone) << "\n";
        return Usage(err);
    }

    kcview::LedgerFacts ledger("総勘定元帳");
    const std::optional<kcview::ExportDocument> document = Read(exportPath, err, &ledger);
    if (!document) return kFailed;
    std::optional<kcview::ExportDocument> previous;
    if (!previousPath.empty()) {
        previous = Read(previousPath, err);
        if (!previous) return kFailed;
        const std::string problem = kcview::PrecedingYearProblem(*document, *previous);
        if (!problem.empty()) {
            err << Say(Id::kPreviousRefused, {{"file", previousPath}, {"reason", problem}}) << "\n";
            return kFailed;
        }
    }

    // The books the file came from: without its own ledger, the file is read with theirs.
    std::optional<kcview::BooksReview> books;
    if (!booksPath.empty()) {
        books.emplace();
        const kcview::BooksRead read = kcview::ReadBooks(booksPath, *document, &*books);
        if (!read.ok) {
            err << read.refusal << "\n";
            return kFailed;
        }
    }
    const kcview::LedgerFacts* accounts = document->hasLedger ? &ledger
                                          : books             ? &books->ledger
                                                              : nullptr;
    const kcview::ReviewInputs inputs{*document, previous ? &*previous : nullptr, accounts,
                                      books ? &*books : nullptr};
    const std::vector<kcview::CheckOutcome> outcomes = kcview::RunChecks(inputs);
    if (summary) {
        summary->company = document->basic.ChildText("KOMONSAKINAME");
        summary->periodFrom = document->basic.ChildText("JIGYOUNENDOFROM");
        summary->periodTo = document->basic.ChildText("JIGYOUNENDOTO");
        Figures(*document, &summary->netIncome, &summary->totalAssets);
        if (previous)
            Figures(*previous, &summary->previousNetIncome, &summary->previousTotalAssets);
    }
    const Tally tally = Report(outcomes, check, out, summary);
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
            err << Say(Id::kPageClash, {{"page", pagePath}, {"role", *clash}}) << "\n";
            return kFailed;
        }
        if (!kcview::IsReplaceableTarget(pagePath)) {
            err << Say(Id::kPageNotRegular, {{"page", pagePath}}) << "\n";
            return kFailed;
        }
        std::optional<kcview::Comparison> comparison;
        if (previous)
            comparison = kcview::CompareYears(*document, *previous,
                                              threshold.value_or(kcview::ChangeThreshold{}));
        if (summary && comparison) summary->flagged = MarkedLines(*comparison);
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
            err << Say(Id::kCannotWrite, {{"page", pagePath}, {"reason", reason}}) << "\n";
            return kFailed;
        }
        // The page is in place: from here the run reports itself.
        if (pageInPlace) pageInPlace();
        err << wrote << "\n";
        if (summary) summary->pagePath = pagePath;
    }
    err << checksLine << "\n";
    return check && tally.failed > 0 ? 1 : 0;
}

}  // namespace

namespace {

// Says what ended a run that raised: memory running out or a failed call of the system.
void SayRaised(std::ostream& err) {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        err << kcview_messages::Text(Id::kNoMemory);
    } catch (const native::Failure& failure) {
        try {
            err << Told(failure) << "\n";
        } catch (const std::bad_alloc&) {
            err << kcview_messages::Text(Id::kNoMemory);
        }
    }
}

}  // namespace

// The edge: whatever ends the run, a message and the failure status; the page's temporary goes
// with the stack that unwinds (native::TempFile), or with the interrupt's clean-up.
int kcview::Run(int argc, char** argv, RunSummary* summary) {
    try {
        native::Interrupts interrupts(
            {nullptr, [] { std::cerr << Say(Id::kInterrupted) << std::endl; }}, kFailed);
        const std::vector<std::string> args(argv + std::min(argc, 1), argv + argc);
        return ReviewFile(args, std::cout, std::cerr, summary, [&] { interrupts.Disarm(); });
    } catch (const native::Failure& failure) {
        // A run ending on a signal: the interrupt's clean-up reports it.
        if (failure.Kind() == native::FailureKind::kRunEnding) return kFailed;
        SayRaised(std::cerr);
    } catch (...) {
        SayRaised(std::cerr);
    }
    return kFailed;
}

int kcview::Review(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                   RunSummary* summary) {
    try {
        return ReviewFile(arguments, out, err, summary, nullptr);
    } catch (const native::Failure& failure) {
        if (failure.Kind() == native::FailureKind::kRunEnding) return kFailed;
        SayRaised(err);
    } catch (...) {
        SayRaised(err);
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
