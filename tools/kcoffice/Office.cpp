#include "tools/kcoffice/Office.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <new>
#include <optional>
#include <thread>

#include "native/Calls.h"
#include "native/ChildProcess.h"
#include "native/Console.h"
#include "native/Failure.h"
#include "native/Interrupts.h"
#include "native/PathLock.h"
#include "native/TempFile.h"
#include "tools/kcbooks/Kcbooks.h"
#include "tools/kcoffice/ClientRun.h"
#include "tools/kcoffice/Clients.h"
#include "tools/kcoffice/OfficeFiles.h"
#include "tools/kcoffice/OfficeMessages.h"
#include "tools/kcoffice/Summary.h"

namespace office {
namespace {

using office_messages::Id;
using office_messages::Say;

constexpr int kRefused = 1;
constexpr int kFailed = 2;
constexpr int kMostJobs = 64;
constexpr const char* kEditions[] = {"kcsakura", "kcqb7", "kcneo", "kcstd"};

int Usage() {
    std::cerr << Say(Id::kUsage);
    return kFailed;
}

// The edition's program, in its folder beside this program as the zip lays them out.
std::string ProgramOf(const std::string& edition) {
    const std::string folder = native::Joined(native::FolderOf(native::ThisProgramPath()), edition);
    for (const std::string& name : {edition, edition + ".exe"}) {
        const std::string path = native::Joined(folder, name);
        if (StateOf(path).isPlainFile) return path;
    }
    return "";
}

// What the outputs are made by: the programs and the files the edition reads beside it, and the
// run's own options.
std::string ProgramsHash(const std::string& program, bool ledger) {
    Hash hash;
    const std::string folder = native::FolderOf(program);
    for (const std::string& path :
         {program, native::Joined(folder, "ZezavareDef.ini"), native::Joined(folder, "SUPPORT.INF"),
          native::ThisProgramPath()}) {
        hash.Add(path + "=" + HashOfFile(path) + "\n");
    }
    hash.Add(ledger ? "ledger" : "no-ledger");
    return hash.Hex();
}

// Temporaries an earlier run left when it was ended without its clean-up (a power cut, a kill).
void RemoveLeftovers(const std::string& monthFolder) {
    std::vector<std::string> names;
    native::TheCalls().listFolder(monthFolder, &names);
    for (const std::string& name : names) {
        if (name.rfind("~kc", 0) == 0 && name.size() > 6 &&
            name.compare(name.size() - 6, 6, ".kctmp") == 0)
            native::RemoveTree(native::Joined(monthFolder, name));
    }
}

void WriteWhole(const std::string& path, const std::string& bytes) {
    native::TempFile file(path);
    file.Write(bytes);
    file.Keep();
}

// The console's account of the run: a line redrawn in place on a terminal, a line per client
// exported or refused elsewhere; a refused client always on a line of its own.
class Progress {
public:
    Progress(std::size_t folders, const ProgressSink& sink)
        : folders_(folders),
          sink_(sink),
          terminal_(native::IsTerminal(native::StandardStream::kError)) {}

    void Done(const std::string& folder, const std::optional<Row>& outcome) {
        std::lock_guard<std::mutex> lock(mutex_);
        ++done_;
        if (sink_) sink_(done_, folders_);
        const Row* row = outcome ? &*outcome : nullptr;
        if (!row && !terminal_) return;
        const std::string said = !row             ? Say(Id::kClientOtherMonth)
                                 : row->unchanged ? Say(Id::kClientUnchanged)
                                 : row->exported
                                     ? Say(Id::kClientExported)
                                     : Say(Id::kClientRefused, {{"reason", row->reasonShown}});
        const std::string line =
            Say(Id::kProgress,
                {{"done", done_}, {"todo", folders_}, {"client", folder}, {"outcome", said}});
        if (row && !row->exported) {
            End();
            std::cerr << line << "\n" << std::flush;
        } else if (terminal_) {
            std::cerr << "\r" << line << std::string(Blank(line), ' ') << std::flush;
            shown_ = line.size();
        } else if (!row->unchanged) {
            std::cerr << line << "\n" << std::flush;
        }
    }

    // Ends a line drawn in place, so that what is said next stands on a line of its own.
    void End() {
        if (shown_ == 0) return;
        std::cerr << "\n";
        shown_ = 0;
    }

private:
    std::size_t Blank(const std::string& line) const {
        return shown_ > line.size() ? shown_ - line.size() : 0;
    }

    std::mutex mutex_;
    std::size_t folders_;
    std::size_t done_ = 0;
    std::size_t shown_ = 0;
    ProgressSink sink_;
    bool terminal_;
};

// One client folder, whole: its books found, its year looked at, its inputs hashed against the
// last run's, and the client run when it is the month's and changed. A failure of the system is
// the client's row; only the run ending raises.
// What became of one client folder: its row, or none when its year ends in another month.
std::optional<Row> RunFolder(const std::string& folder, std::int32_t month,
                             const RunSettings& settings) {
    Row failed;
    failed.client = native::NameOf(folder);
    failed.name = failed.client;
    try {
        const Client client = FindClient(folder);
        if (!EndsIn(client, month)) return std::nullopt;
        failed.name = client.DisplayName();
        const Inputs inputs = InputsOf(client, settings);
        if (std::optional<Record> record = Unchanged(client, settings, inputs)) return record->row;
        return RunClient(client, settings, inputs);
    } catch (const native::Failure& failure) {
        if (failure.Kind() == native::FailureKind::kRunEnding) throw;
        failed.reason = failed.reasonShown = native::Sentence(failure);
    } catch (const std::bad_alloc&) {
        failed.reason = failed.reasonShown = std::string(office_messages::Text(Id::kNoMemory));
    }
    return failed;
}

// The clients' folders run by `jobs` threads, each taking the next: the finding and hashing of
// the books run side by side too, so that an unchanged month is a short run.
std::vector<Row> RunFolders(const std::vector<std::string>& folders, std::int32_t month,
                            const RunSettings& settings, int jobs, Progress& progress) {
    std::vector<std::optional<Row>> outcomes(folders.size());
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        try {
            for (std::size_t i = next++; i < folders.size(); i = next++) {
                outcomes[i] = RunFolder(folders[i], month, settings);
                progress.Done(native::NameOf(folders[i]), outcomes[i]);
            }
        } catch (const native::Failure&) {
            // The run is ending on a signal: its clean-up reports and ends the process.
        }
    };
    std::vector<std::thread> threads;
    const int count = std::max(1, std::min<int>(jobs, static_cast<int>(folders.size())));
    for (int i = 1; i < count; ++i) threads.emplace_back(work);
    work();
    for (std::thread& thread : threads) thread.join();
    std::vector<Row> rows;
    for (std::optional<Row>& outcome : outcomes) {
        if (outcome) rows.push_back(std::move(*outcome));
    }
    return rows;
}

}  // namespace

std::string MonthName(std::int32_t yyyymm) {
    char text[16];
    std::snprintf(text, sizeof(text), "%04d-%02d", static_cast<int>(yyyymm / 100),
                  static_cast<int>(yyyymm % 100));
    return text;
}

bool ParseOfficeRun(const std::vector<std::string>& arguments, OfficeRun* run) {
    if (arguments.empty() || arguments[0] != "run") return Usage() == 0;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (arg == "--month" && hasValue) {
            if (!kcbooks::ParseYearMonth(arguments[++i], &run->month)) {
                std::cerr << Say(Id::kBadMonth, {{"value", arguments[i]}}) << "\n";
                return false;
            }
        } else if (arg == "--edition" && hasValue) {
            run->edition = arguments[++i];
            if (std::find(std::begin(kEditions), std::end(kEditions), run->edition) ==
                std::end(kEditions)) {
                std::cerr << Say(Id::kUnknownEdition, {{"edition", run->edition}}) << "\n";
                return false;
            }
        } else if (arg == "--ledger") {
            run->ledger = true;
        } else if (arg == "--jobs" && hasValue) {
            const std::string& text = arguments[++i];
            int jobs = 0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), jobs);
            if (error != std::errc() || end != text.data() + text.size() || jobs < 1 ||
                jobs > kMostJobs) {
                std::cerr << Say(Id::kBadJobs, {{"value", text}}) << "\n";
                return false;
            }
            run->jobs = jobs;
        } else if (arg == "-o" && hasValue) {
            run->office = arguments[++i];
        } else if (!arg.empty() && arg[0] != '-' && run->clients.empty()) {
            run->clients = arg;
        } else {
            return Usage() == 0;
        }
    }
    if (run->clients.empty() || run->office.empty() || run->month == 0) return Usage() == 0;
    return true;
}

int RunOffice(const OfficeRun& run, std::string* summaryPage, const ProgressSink& sink) {
    if (!StateOf(run.clients).isFolder) {
        std::cerr << Say(Id::kNotAFolder, {{"folder", run.clients}}) << "\n";
        return kFailed;
    }
    std::string edition = run.edition;
    std::string program;
    for (const char* candidate : kEditions) {
        if (!edition.empty() && edition != candidate) continue;
        program = ProgramOf(candidate);
        if (!program.empty() || !edition.empty()) {
            edition = candidate;
            break;
        }
    }
    if (program.empty()) {
        const std::string expected =
            native::Joined(native::Joined(native::FolderOf(native::ThisProgramPath()),
                                          edition.empty() ? kEditions[0] : edition),
                           edition.empty() ? kEditions[0] : edition);
        std::cerr << Say(Id::kNoEdition, {{"program", expected}}) << "\n";
        return kFailed;
    }

    RunSettings settings;
    settings.monthFolder = native::Joined(run.office, MonthName(run.month));
    const std::int32_t lastYear = run.month - 100;
    settings.previousFolder = native::Joined(run.office, MonthName(lastYear));
    settings.program = program;
    settings.ledger = run.ledger;
    settings.programs = ProgramsHash(program, run.ledger);

    MakeFolder(run.office);
    MakeFolder(settings.monthFolder);
    // One run of a month at a time: a second would take the same clients' folders.
    native::PathLock lock;
    switch (lock.Take(settings.monthFolder, 0)) {
        case native::PathLock::Outcome::kHeld:
            break;
        case native::PathLock::Outcome::kBusy:
            std::cerr << Say(Id::kBusy, {{"folder", settings.monthFolder}}) << "\n";
            return kFailed;
        case native::PathLock::Outcome::kFailed:
            throw *lock.Failure();
    }
    RemoveLeftovers(settings.monthFolder);

    const std::vector<std::string> folders = ClientFolders(run.clients);
    const int jobs = run.jobs > 0
                         ? run.jobs
                         : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    std::cerr << Say(Id::kStarting, {{"month", MonthName(run.month)},
                                     {"clients", folders.size()},
                                     {"folder", run.clients},
                                     {"jobs", jobs}})
              << "\n";
    Progress progress(folders.size(), sink);
    std::vector<Row> rows = RunFolders(folders, run.month, settings, jobs, progress);
    progress.End();
    SortForReview(rows);

    const std::string page = native::Joined(settings.monthFolder, "index.html");
    WriteWhole(page, SummaryPage(rows, run.month));
    WriteWhole(native::Joined(settings.monthFolder, "index.csv"), SummaryCsv(rows));
    if (summaryPage) *summaryPage = page;
    std::size_t refused = 0;
    std::size_t unchanged = 0;
    for (const Row& row : rows) {
        refused += row.exported ? 0 : 1;
        unchanged += row.unchanged ? 1 : 0;
    }
    std::cerr << Say(Id::kFinished, {{"taken", rows.size()},
                                     {"exported", rows.size() - refused - unchanged},
                                     {"refused", refused},
                                     {"unchanged", unchanged},
                                     {"page", page}})
              << "\n";
    return refused > 0 ? kRefused : 0;
}

int RunKcoffice(const std::vector<std::string>& arguments) {
    OfficeRun run;
    if (!ParseOfficeRun(arguments, &run)) return kFailed;
    try {
        native::Interrupts interrupts(
            {[] { std::cerr << "\n"; }, [] { std::cerr << Say(Id::kInterrupted) << std::endl; }},
            kFailed);
        return RunOffice(run);
    } catch (const std::bad_alloc&) {
        std::cerr << office_messages::Text(Id::kNoMemory);
    } catch (const native::Failure& failure) {
        if (failure.Kind() == native::FailureKind::kRunEnding) return kFailed;
        std::cerr << Say(Id::kFailed, {{"reason", native::Sentence(failure)}}) << "\n";
    }
    return kFailed;
}

}  // namespace office
