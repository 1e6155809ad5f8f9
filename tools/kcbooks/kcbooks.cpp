// kcbooks: the books tool. Imports books from CSV files into a store, converts books from the
// common journal interchange form and writes a store's books back in it, generates books for
// tests and benchmarks, and shows what a store holds.

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "books/Importer.h"
#include "books/Model.h"
#include "books/Paths.h"
#include "tools/convert/Converter.h"
#include "tools/generate/Generator.h"
#include "tools/interchange/JournalWriter.h"
#include "tools/kcbooks/Arguments.h"
#include "tools/kcbooks/Show.h"
#include "tools/kcbooks/StoreLock.h"

namespace {

int Usage() {
    std::cerr
        << "usage:\n"
           "  kcbooks import BOOKS_DIR STORE [--encoding utf-8|cp932]\n"
           "      (without --encoding, each file's own bytes tell its encoding)\n"
           "  kcbooks import --from interchange JOURNAL.csv STORE CONVERT-OPTIONS\n"
           "  kcbooks convert JOURNAL.csv --company NAME -o BOOKS_DIR [--openings OPENINGS.csv]\n"
           "      [--period YYYYMMDD..YYYYMMDD] [--chart CHART.csv | --chart-only CHART.csv]\n"
           "      [--encoding cp932|utf-8]\n"
           "      [--tax-rounding down|nearest|up] [--manufacturing yes|no]\n"
           "      [--tax-inclusive yes|no] [--interim yes|no] [--data-id ID] [--user USER]\n"
           "  kcbooks generate DIR --entries N [--seed S] [--tax-inclusive]\n"
           "  kcbooks show STORE\n"
           "  kcbooks export-journal STORE -o JOURNAL.csv [--openings OPENINGS.csv]\n"
           "      [--data NO] [--encoding cp932|utf-8]\n";
    return 2;
}

// How long an import waits for another one into the same store: an import of everyday books
// takes a second or two, so a longer wait means the other one is large or stuck, and the user
// is better told than left waiting.
constexpr int kLockWaitSeconds = 10;

// The encodings the commands take: true for UTF-8, false for Shift_JIS; none for another name,
// which is said on the error output.
std::optional<bool> ParseEncodingIsUtf8(const std::string& name) {
    if (name == "utf-8" || name == "utf8") return true;
    if (name == "cp932" || name == "shift_jis") return false;
    std::cerr << "kcbooks: unknown encoding \"" << name << "\" (utf-8 or cp932)\n";
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

// Imports take turns through the store's lock; false, said why, when this one cannot have it.
bool TakeStoreLock(StoreLock& lock, const std::string& store) {
    StoreLock::Outcome locked = lock.Take(store, kLockWaitSeconds);
    if (locked != StoreLock::Outcome::kHeld) {
        std::cerr << "kcbooks: import refused: "
                  << (locked == StoreLock::Outcome::kBusy
                          ? store + ": another import into this store is still running after " +
                                std::to_string(kLockWaitSeconds) +
                                " seconds; the store is left as it was"
                          : "cannot lock the store for the import: " + lock.Error())
                  << "\n";
        return false;
    }
    return true;
}

// The import itself, under the store's lock.
int ImportHeld(const std::string& booksDir, const std::string& store,
               books::SourceEncoding encoding) {
    books::RemoveLeftoverTemporaries(store);
    books::ImportResult result = books::ImportBooks(booksDir, store, encoding);
    if (!result.ok) {
        std::cerr << "kcbooks: import refused: " << result.message << "\n";
        return 1;
    }
    std::cout << "imported " << booksDir << " into " << store << "\n";
    return 0;
}

int ImportLocked(const std::string& booksDir, const std::string& store,
                 books::SourceEncoding encoding) {
    StoreLock lock;
    if (!TakeStoreLock(lock, store)) return 1;
    return ImportHeld(booksDir, store, encoding);
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

// Reads the options of `convert`; the positional arguments left over go to `positional`.
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

int RunConvert(const convert::ConvertOptions& options) {
    convert::ConvertResult result = convert::ConvertInterchange(options);
    if (!result.ok) {
        std::cerr << "kcbooks: convert refused: " << result.message << "\n";
        return 1;
    }
    std::cout << result.report << std::flush;
    // The report is the user's only account of what was inferred and dropped: a report that
    // cannot be written fails the command, though the folder is written.
    if (!std::cout) {
        std::cerr << "kcbooks: convert: the report cannot be written to the standard output; "
                  << options.outDir << " is written\n";
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
    return RunConvert(options);
}

// Converts into a folder of its own beside the store, imports it and removes it, all under the
// store's lock, so that two imports into one store never share the folder.
int ImportInterchange(const std::vector<std::string>& args) {
    convert::ConvertOptions options;
    std::vector<std::string> positional;
    if (!ParseConvertOptions(args, &options, &positional) || positional.size() != 2 ||
        options.company.empty() || !options.outDir.empty()) {
        return Usage();
    }
    options.journalPath = positional[0];
    const std::string& store = positional[1];
    options.outDir = store + ".converted";
    StoreLock lock;
    if (!TakeStoreLock(lock, store)) return 1;
    std::error_code ignored;
    std::filesystem::remove_all(books::PathFromUtf8(options.outDir), ignored);
    int status = RunConvert(options);
    if (status == 0) status = ImportHeld(options.outDir, store, books::SourceEncoding::kUtf8);
    std::filesystem::remove_all(books::PathFromUtf8(options.outDir), ignored);
    return status;
}

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
        } else if (args[i] == "--tax-inclusive") {
            options.taxInclusive = true;
        } else if (args[i].rfind("--", 0) == 0 || !dir.empty()) {
            return Usage();
        } else {
            dir = args[i];
        }
    }
    if (dir.empty() || !haveEntries) return Usage();
    std::string error;
    if (!GenerateBooks(dir, options, &error)) {
        std::cerr << "kcbooks: generate failed: " << error << "\n";
        return 1;
    }
    return 0;
}

int Show(const std::vector<std::string>& args) {
    if (args.size() != 1) return Usage();
    std::string error;
    if (!books::ShowStore(args[0], std::cout, &error)) {
        std::cerr << "kcbooks: " << error << "\n";
        return 1;
    }
    return 0;
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
    ix::ExportSummary summary = ix::ExportInterchange(store, journal, openings, options);
    if (!summary.ok) {
        std::cerr << "kcbooks: export-journal failed: " << summary.message << "\n";
        return 1;
    }
    std::cout << "data set " << summary.dataId << ": " << summary.entries << " entries in "
              << summary.lines << " lines written to " << journal << "\n";
    if (summary.amountsRounded > 0) {
        std::cout << "  " << summary.amountsRounded
                  << " amounts held a fraction of a yen and are rounded to the nearest yen";
        if (summary.entriesBalanced > 0) {
            std::cout << "; " << summary.entriesBalanced
                      << " entries balance by a yen moved on one side";
        }
        std::cout << "\n";
    }
    if (summary.entriesSplit > 0) {
        std::cout << "  " << summary.entriesSplit
                  << " entries carry lines of several dates and are written as a voucher per "
                     "date; the form gives a voucher one date\n";
    }
    if (summary.kindsDropped > 0) {
        std::cout << "  " << summary.kindsDropped
                  << " entries are transfers or bill discounts; the form has no place for an "
                     "entry's kind\n";
    }
    if (!openings.empty()) {
        std::cout << summary.openingRows << " opening balances written to " << openings << "\n";
        if (!summary.leftOutAccount.empty()) {
            std::cout << "  the balance of " << summary.leftOutAccount
                      << " is left out: a reader takes the difference of the balances as its "
                         "balance\n";
        }
    }
    // The files are in place by now; a summary that cannot go out still fails the command, so
    // that a script does not take a lost summary for one that said nothing.
    if (!std::cout.flush()) {
        std::cerr << "kcbooks: export-journal: the files are written, but the summary cannot be "
                     "written to the output (a full disk or a closed pipe?)\n";
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
#if defined(SIGPIPE) && defined(SIGXFSZ)
    // A closed pipe and a file-size limit make the write fail instead of ending the program
    // where it stands: a failed import then removes its temporary and says so.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    std::vector<std::string> all = ProgramArguments(argc, argv);
    if (all.empty()) return Usage();
    std::string command = all[0];
    std::vector<std::string> args(all.begin() + 1, all.end());
    if (command == "import") return Import(args);
    if (command == "generate") return Generate(args);
    if (command == "show") return Show(args);
    if (command == "convert") return Convert(args);
    if (command == "export-journal") return ExportJournal(args);
    return Usage();
}
