// kcbooks: the books tool. Imports books from CSV files into a store, converts books from the
// common journal interchange form and writes a store's books back in it, generates books for
// tests and benchmarks, and shows what a store holds.

#include "tools/kcbooks/Kcbooks.h"

#include <chrono>
#include <cstdint>
#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "books/Importer.h"
#include "books/Model.h"
#include "messages/kcbooks/KcbooksMessages.h"
#include "messages/tools/ToolMessages.h"
#include "native/Failure.h"
#include "tools/convert/Converter.h"
#include "tools/generate/Generator.h"
#include "tools/interchange/JournalWriter.h"
#include "tools/kcbooks/ImportRun.h"
#include "tools/kcbooks/RunEnd.h"
#include "tools/kcbooks/Show.h"

namespace kcbooks {
namespace {

using kcbooks_messages::Id;
using kcbooks_messages::Say;

int Usage() {
    std::cerr << Say(Id::kUsage);
    return 2;
}

// The encodings the commands take: true for UTF-8, false for Shift_JIS; none for another name,
// which is said on the error output.
std::optional<bool> ParseEncodingIsUtf8(const std::string& name) {
    if (name == "utf-8" || name == "utf8") return true;
    if (name == "cp932" || name == "shift_jis") return false;
    std::cerr << Say(Id::kUnknownEncoding, {{"name", name}}) << "\n";
    return std::nullopt;
}

bool ParseCount(std::string_view text, std::uint64_t* out) {
    if (text.empty() || text.size() > 19) return false;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    *out = value;
    return true;
}

int ImportLocked(const std::string& booksDir, const std::string& store,
                 books::SourceEncoding encoding);
int ImportInterchange(const std::vector<std::string>& args);

int Import(const std::vector<std::string>& args) {
    if (!args.empty() && args[0] == "--from") {
        if (args.size() < 2 || args[1] != "interchange") return Usage();
        return ImportInterchange(std::vector<std::string>(args.begin() + 2, args.end()));
    }
    std::vector<std::string> positional;
    books::SourceEncoding encoding = books::SourceEncoding::kFromBytes;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--encoding" && i + 1 < args.size()) {
            const std::optional<bool> utf8 = ParseEncodingIsUtf8(args[++i]);
            if (!utf8) return 2;
            encoding = *utf8 ? books::SourceEncoding::kUtf8 : books::SourceEncoding::kCp932;
        } else if (args[i].rfind("--", 0) == 0) {
            return Usage();
        } else {
            positional.push_back(args[i]);
        }
    }
    if (positional.size() != 2) return Usage();
    return ImportLocked(positional[0], positional[1], encoding);
}

// What a finished import says: where the books went and, the statements cutting each figure
// to whole yen, how many amounts carry fractions of a yen.
void SayImported(const std::string& source, const std::string& store,
                 const books::ImportResult& result) {
    std::cout << Say(Id::kImported, {{"books", source}, {"store", store}}) << "\n";
    if (result.fractionalAmounts > 0) {
        std::cout << Say(Id::kFractionalAmounts, {{"count", result.fractionalAmounts}}) << "\n";
    }
}

int ImportLocked(const std::string& booksDir, const std::string& store,
                 books::SourceEncoding encoding) {
    RunEnd::Begin("import", {store});
    const ImportOutcome outcome = ImportFolder(booksDir, store, encoding);
    if (!outcome.ok) {
        std::cerr << outcome.refusal << "\n";
        return 1;
    }
    RunEnd::Finished();
    SayImported(booksDir, store, outcome.imported);
    return 0;
}

bool ParseYesNo(const std::string& text, std::optional<bool>* out) {
    if (text != "yes" && text != "no") return false;
    *out = text == "yes";
    return true;
}

bool ParseDay(std::string_view text, std::optional<std::int32_t>* out) {
    std::uint64_t value = 0;
    if (text.size() != 8 || !ParseCount(text, &value) || !books::IsValidDate(value)) return false;
    *out = static_cast<std::int32_t>(value);
    return true;
}

}  // namespace

bool ParseConvertOptions(const std::vector<std::string>& args, convert::ConvertOptions* options,
                         std::vector<std::string>* positional) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (name.rfind("--", 0) != 0 && name != "-o") {
            positional->push_back(name);
            continue;
        }
        if (i + 1 >= args.size()) return false;
        const std::string& value = args[++i];
        if (name == "-o") {
            options->outDir = value;
        } else if (name == "--openings") {
            options->openingsPath = value;
        } else if (name == "--company") {
            options->company = value;
        } else if (name == "--chart" || name == "--chart-only") {
            if (!options->chartPath.empty()) return false;
            options->chartPath = value;
            options->chartOnly = name == "--chart-only";
        } else if (name == "--data-id") {
            options->dataId = value;
        } else if (name == "--user") {
            options->user = value;
        } else if (name == "--encoding") {
            const std::optional<bool> utf8 = ParseEncodingIsUtf8(value);
            if (!utf8) return false;
            options->encoding =
                *utf8 ? books::SourceEncoding::kUtf8 : books::SourceEncoding::kCp932;
        } else if (name == "--tax-rounding") {
            if (value == "down") {
                options->rounding = convert::TaxRounding::kDown;
            } else if (value == "nearest") {
                options->rounding = convert::TaxRounding::kNearest;
            } else if (value == "up") {
                options->rounding = convert::TaxRounding::kUp;
            } else {
                return false;
            }
        } else if (name == "--period") {
            std::size_t dots = value.find("..");
            if (dots == std::string::npos ||
                !ParseDay(std::string_view(value).substr(0, dots), &options->periodFrom) ||
                !ParseDay(std::string_view(value).substr(dots + 2), &options->periodTo) ||
                *options->periodTo < *options->periodFrom) {
                return false;
            }
        } else if (name == "--manufacturing") {
            if (!ParseYesNo(value, &options->manufacturing)) return false;
        } else if (name == "--tax-inclusive") {
            if (!ParseYesNo(value, &options->taxInclusive)) return false;
        } else if (name == "--interim") {
            if (!ParseYesNo(value, &options->interimClosing)) return false;
        } else {
            return false;
        }
    }
    return true;
}

namespace {

// The report is the user's only account of what was inferred and dropped: a report that cannot
// be written fails the command, though its books are written.
int PrintReport(const std::string& report, const std::string& written) {
    std::cout << report << std::flush;
    if (!std::cout) {
        std::cerr << Say(Id::kReportNotWritten, {{"written", written}}) << "\n";
        return 1;
    }
    return 0;
}

int Convert(const std::vector<std::string>& args) {
    convert::ConvertOptions options;
    std::vector<std::string> positional;
    if (!ParseConvertOptions(args, &options, &positional) || positional.size() != 1 ||
        options.company.empty() || options.outDir.empty()) {
        return Usage();
    }
    options.journalPath = positional[0];
    RunEnd::Begin("convert", {options.outDir});
    convert::ConvertResult result = convert::ConvertInterchange(options);
    if (!result.ok) {
        std::cerr << Say(Id::kConvertRefused, {{"reason", result.message}}) << "\n";
        return 1;
    }
    RunEnd::Finished();
    return PrintReport(result.report, options.outDir);
}

int ImportInterchange(const std::vector<std::string>& args) {
    convert::ConvertOptions options;
    std::vector<std::string> positional;
    if (!ParseConvertOptions(args, &options, &positional) || positional.size() != 2 ||
        options.company.empty() || !options.outDir.empty()) {
        return Usage();
    }
    options.journalPath = positional[0];
    const std::string& store = positional[1];
    RunEnd::Begin("import", {store});
    const ImportOutcome outcome = ImportJournal(options, store);
    if (!outcome.ok) {
        std::cerr << outcome.refusal << "\n";
        return 1;
    }
    RunEnd::Finished();
    if (PrintReport(outcome.report, store) != 0) return 1;
    SayImported(options.journalPath, store, outcome.imported);
    return 0;
}

}  // namespace

bool ParseYearMonth(std::string_view text, std::int32_t* out) {
    std::uint64_t year = 0;
    std::uint64_t month = 0;
    if (text.size() != 7 || text[4] != '-' || !ParseCount(text.substr(0, 4), &year) ||
        !ParseCount(text.substr(5), &month) || year < 1900 || month < 1 || month > 12) {
        return false;
    }
    *out = static_cast<std::int32_t>(year * 100 + month);
    return true;
}

namespace {

int Generate(const std::vector<std::string>& args) {
    std::string dir;
    GenerateOptions options;
    bool haveEntries = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--entries" && i + 1 < args.size()) {
            if (!ParseCount(args[++i], &options.entries)) return Usage();
            haveEntries = true;
        } else if (args[i] == "--seed" && i + 1 < args.size()) {
            if (!ParseCount(args[++i], &options.seed)) return Usage();
        } else if (args[i] == "--year-end" && i + 1 < args.size()) {
            if (!ParseYearMonth(args[++i], &options.yearEnd)) return Usage();
        } else if (args[i] == "--tax-inclusive") {
            options.taxInclusive = true;
        } else if (args[i].rfind("--", 0) == 0 || !dir.empty()) {
            return Usage();
        } else {
            dir = args[i];
        }
    }
    if (dir.empty() || !haveEntries) return Usage();
    RunEnd::Begin("generate", {dir});
    GenerateBooks(dir, options);
    RunEnd::Finished();
    return 0;
}

int Show(const std::vector<std::string>& args) {
    if (args.size() != 1) return Usage();
    RunEnd::Begin("show", {});
    std::string error;
    if (!books::ShowStore(args[0], std::cout, &error)) {
        std::cerr << Say(Id::kShowRefused, {{"reason", error}}) << "\n";
        return 1;
    }
    return 0;
}

// What export-journal wrote, and what the form could not carry as it is.
void PrintExportSummary(const books::interchange::ExportSummary& summary,
                        const std::string& journal, const std::string& openings) {
    std::cout << Say(Id::kJournalWritten, {{"data", summary.dataId},
                                           {"entries", summary.entries},
                                           {"lines", summary.lines},
                                           {"journal", journal}});
    std::cout << "\n";
    if (summary.amountsRounded > 0) {
        std::cout << Say(Id::kAmountsRounded, {{"count", summary.amountsRounded}});
        if (summary.entriesBalanced > 0) {
            std::cout << Say(Id::kEntriesBalanced, {{"count", summary.entriesBalanced}});
        }
        std::cout << "\n";
    }
    if (summary.entriesSplit > 0) {
        std::cout << Say(Id::kEntriesSplit, {{"count", summary.entriesSplit}}) << "\n";
    }
    if (summary.kindsDropped > 0) {
        std::cout << Say(Id::kKindsDropped, {{"count", summary.kindsDropped}}) << "\n";
    }
    if (!openings.empty()) {
        std::cout << Say(Id::kOpeningsWritten,
                         {{"count", summary.openingRows}, {"openings", openings}})
                  << "\n";
        if (!summary.leftOutAccount.empty()) {
            std::cout << Say(Id::kBalanceLeftOut, {{"account", summary.leftOutAccount}}) << "\n";
        }
    }
}

int ExportJournal(const std::vector<std::string>& args) {
    namespace ix = books::interchange;
    std::string store, journal, openings;
    ix::ExportOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        bool hasValue = i + 1 < args.size();
        if (args[i] == "-o" && hasValue) {
            journal = args[++i];
        } else if (args[i] == "--openings" && hasValue) {
            openings = args[++i];
        } else if (args[i] == "--data" && hasValue) {
            std::uint64_t dataNo = 0;
            if (!ParseCount(args[++i], &dataNo) || dataNo == 0 || dataNo > 0x7FFFFFFF) {
                return Usage();
            }
            options.dataNo = static_cast<std::int32_t>(dataNo);
        } else if (args[i] == "--encoding" && hasValue) {
            const std::optional<bool> utf8 = ParseEncodingIsUtf8(args[++i]);
            if (!utf8) return 2;
            options.encoding = *utf8 ? ix::OutputEncoding::kUtf8 : ix::OutputEncoding::kCp932;
        } else if (args[i].rfind("-", 0) == 0 || !store.empty()) {
            return Usage();
        } else {
            store = args[i];
        }
    }
    if (store.empty() || journal.empty()) return Usage();
    std::vector<std::string> targets{journal};
    if (!openings.empty()) targets.push_back(openings);
    RunEnd::Begin("export-journal", targets);
    ix::ExportSummary summary = ix::ExportInterchange(store, journal, openings, options);
    if (!summary.ok) {
        std::cerr << Say(Id::kExportJournalFailed, {{"reason", summary.message}}) << "\n";
        return 1;
    }
    RunEnd::Finished();
    PrintExportSummary(summary, journal, openings);
    // The files are in place by now; a summary that cannot go out still fails the command, so
    // that a script does not take a lost summary for one that said nothing.
    if (!std::cout.flush()) {
        std::cerr << Say(Id::kSummaryLost) << "\n";
        return 1;
    }
    return 0;
}

struct NamedCommand {
    std::string_view name;
    int (*run)(const std::vector<std::string>& args);
};
constexpr NamedCommand kCommands[] = {{"import", Import},
                                      {"generate", Generate},
                                      {"show", Show},
                                      {"convert", Convert},
                                      {"export-journal", ExportJournal}};

int Command(const std::string& command, const std::vector<std::string>& args) {
    for (const NamedCommand& named : kCommands) {
        if (named.name == command) return named.run(args);
    }
    return Usage();
}

// A failure that says the run is ending on a signal: the policy's thread is removing the run's
// files and reports, then ends the process. Its line is the run's one message.
int AwaitTheEnd() {
    std::this_thread::sleep_for(std::chrono::seconds(30));
    std::cerr << RunEnd::InterruptedLine();
    return 1;
}

}  // namespace

bool IsCommand(std::string_view word) {
    for (const NamedCommand& named : kCommands) {
        if (named.name == word) return true;
    }
    return false;
}

int RunKcbooks(const std::vector<std::string>& arguments) {
    if (arguments.empty()) return Usage();
    const std::string& command = arguments[0];
    try {
        return Command(command, std::vector<std::string>(arguments.begin() + 1, arguments.end()));
    } catch (const native::Failure& failure) {
        if (failure.Kind() == native::FailureKind::kRunEnding) return AwaitTheEnd();
        std::cerr << Say(Id::kCommandFailed,
                         {{"command", command},
                          {"reason", kcbooks_messages::FailureSentence(failure)},
                          {"after", RunEnd::FailedAfter()}})
                  << "\n";
    } catch (const std::bad_alloc&) {
        // The run's temporaries went with its frames, and their memory with them; should it
        // still be short, the message is said without what the run had written.
        std::string after;
        try {
            after = RunEnd::FailedAfter();
        } catch (const std::bad_alloc&) {
        }
        std::cerr << Say(Id::kCommandFailed,
                         {{"command", command},
                          {"reason", tool_messages::KindReason(native::FailureKind::kNoMemory)},
                          {"after", after}})
                  << "\n";
    }
    return 1;
}

}  // namespace kcbooks
