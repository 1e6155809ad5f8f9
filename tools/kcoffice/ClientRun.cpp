#include "tools/kcoffice/ClientRun.h"

#include <new>
#include <sstream>

#include "books/Paths.h"
#include "native/Calls.h"
#include "native/ChildProcess.h"
#include "native/Failure.h"
#include "native/TempFile.h"
#include "tools/kcbooks/ImportRun.h"
#include "tools/kcoffice/OfficeFiles.h"
#include "tools/kcoffice/OfficeMessages.h"
#include "tools/kcview/Kcview.h"

namespace office {
namespace {

using office_messages::Id;

constexpr char kRecordName[] = ".kcoffice";
constexpr std::uint64_t kOutputLimit = 16 * 1024 * 1024;

// The last line a program said: the reason of its end.
std::string LastLine(const std::string& text) {
    std::size_t end = text.find_last_not_of("\r\n");
    if (end == std::string::npos) return "";
    const std::size_t start = text.find_last_of('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1,
                       end - (start == std::string::npos ? 0 : start + 1) + 1);
}

std::string Month(std::int32_t yyyymmdd) {
    return std::to_string(yyyymmdd / 100 % 100);
}

// A client's run in its temporary folder: what it writes, what it logs, and its row.
class ClientJob {
public:
    ClientJob(const Client& client, const RunSettings& settings, const Inputs& inputs)
        : client_(client),
          settings_(settings),
          inputs_(inputs),
          paths_(PathsOf(client, settings)),
          staging_(paths_.folder) {
        row_.client = client.folderName;
        row_.name = client.DisplayName();
        if (client.periodFrom) row_.periodFrom = std::to_string(*client.periodFrom);
        if (client.periodTo) row_.periodTo = std::to_string(*client.periodTo);
    }

    Row Run() {
        try {
            if (!client_.refusal.Empty()) {
                Refuse(client_.refusal);
            } else if (const std::string store = Import(); !store.empty()) {
                if (Export(store)) Review(store);
            }
        } catch (const native::Failure& failure) {
            if (failure.Kind() == native::FailureKind::kRunEnding) throw;
            const std::string sentence = native::Sentence(failure);
            Refuse(office_messages::Told(Id::kSystemFailure, {{"reason", sentence}}));
        } catch (const std::bad_alloc&) {
            const std::string said(office_messages::Text(Id::kNoMemory));
            Refuse({said, said});
        }
        Finish();
        return row_;
    }

private:
    std::string Staged(const std::string& target) const {
        return native::Joined(staging_.Path(), native::NameOf(target));
    }

    void Refuse(const Reason& reason) {
        row_.exported = false;
        row_.reason = reason.japanese;
        row_.reasonShown = reason.shown;
        log_ << reason.shown << "\n";
    }

    // The store to export: the client's own, or the books brought into one of the run's.
    std::string Import() {
        if (client_.kind == Client::Kind::kStore) return client_.books;
        const std::string store = native::Joined(staging_.Path(), client_.folderName + ".books");
        log_ << "kcbooks import " << client_.books << "\n";
        const kcbooks::ImportOutcome outcome =
            client_.kind == Client::Kind::kFolder
                ? kcbooks::ImportFolder(client_.books, store, books::SourceEncoding::kFromBytes)
                : kcbooks::ImportJournal(client_.convert, store);
        log_ << outcome.report;
        if (!outcome.ok) {
            Refuse(office_messages::Told(Id::kImportRefused, {{"reason", outcome.refusal}}));
            return "";
        }
        return store;
    }

    // The year's first month: its start's, or the month after its end's a year before.
    std::string FirstMonth() const {
        if (client_.periodFrom) return Month(*client_.periodFrom);
        return std::to_string(*client_.periodTo / 100 % 100 % 12 + 1);
    }

    // The edition's batch export, its conditions all given: the year's months, the statement,
    // the ledger, and a settings folder of its own, so that no saved condition leaks in.
    bool Export(const std::string& store) {
        const std::string settings = native::Joined(staging_.Path(), "settings");
        if (const int error = native::TheCalls().makeFolder(settings); error != 0)
            throw native::Failure("mkdir", settings, error);
        std::vector<std::string> arguments = {"--books",
                                              store,
                                              "--ui",
                                              "batch",
                                              "--start-month",
                                              FirstMonth(),
                                              "--end-month",
                                              Month(*client_.periodTo),
                                              "--kind",
                                              std::to_string(client_.settings.kind),
                                              settings_.ledger ? "--ledger" : "--no-ledger",
                                              "--out",
                                              Staged(paths_.xml),
                                              "--yes",
                                              "--settings-folder",
                                              settings};
        if (!client_.settings.user.empty())
            arguments.insert(arguments.end(), {"--user", client_.settings.user});
        if (client_.settings.data > 0)
            arguments.insert(arguments.end(), {"--data", std::to_string(client_.settings.data)});
        log_ << native::NameOf(settings_.program);
        for (const std::string& argument : arguments) log_ << " " << argument;
        log_ << "\n";
        const std::string output = native::Joined(staging_.Path(), "export.out");
        const int status = native::RunChild({settings_.program, arguments, output});
        std::string said;
        books::ReadRegularFile(output, kOutputLimit, &said);
        log_ << said;
        if (status == 0 && StateOf(Staged(paths_.xml)).isPlainFile) return true;
        const std::string line = LastLine(said);
        Refuse(office_messages::Told(Id::kExportFailed, {{"status", status}, {"said", line}}));
        return false;
    }

    // The review page as kcview writes it, against last year's export when it is there and is
    // the year before; one that is not is left out, and the log says why.
    void Review(const std::string& store) {
        std::vector<std::string> arguments = {Staged(paths_.xml), "-o",      Staged(paths_.page),
                                              "--check",          "--books", store};
        const bool previous = StateOf(paths_.previousXml).isPlainFile;
        kcview::RunSummary summary;
        std::ostringstream out;
        std::ostringstream err;
        int status = 2;
        if (previous) {
            std::vector<std::string> withPrevious = arguments;
            withPrevious.insert(withPrevious.end(), {"--previous", paths_.previousXml});
            status = kcview::Review(withPrevious, out, err, &summary);
            if (status == 2) {
                log_ << err.str();
                const std::string why = LastLine(err.str());
                log_ << office_messages::Say(Id::kPreviousNotUsed,
                                             {{"file", paths_.previousXml}, {"reason", why}})
                     << "\n";
                err.str("");
                summary = {};
            }
        }
        if (status == 2) status = kcview::Review(arguments, out, err, &summary);
        log_ << "kcview\n" << out.str() << err.str();
        if (status == 2) {
            const std::string why = LastLine(err.str());
            Refuse(office_messages::Told(Id::kReviewFailed, {{"reason", why}}));
            return;
        }
        row_.exported = true;
        // Without a name of the office's own, the client is shown as its books name it.
        if (client_.settings.name.empty() && client_.companyNamed && !summary.company.empty())
            row_.name = summary.company;
        row_.periodFrom = summary.periodFrom;
        row_.periodTo = summary.periodTo;
        row_.checks = summary.checks;
        row_.failed = summary.failed;
        row_.warned = summary.warned;
        row_.notApplicable = summary.notApplicable;
        row_.hasPrevious =
            summary.previousTotalAssets.has_value() || summary.previousNetIncome.has_value();
        row_.flagged = summary.flagged;
        row_.netIncome = summary.netIncome;
        row_.totalAssets = summary.totalAssets;
        row_.previousNetIncome = summary.previousNetIncome;
        row_.previousTotalAssets = summary.previousTotalAssets;
    }

    // Only the outputs stay: the run's store, settings and the programs' own files go. Then the
    // folder takes the place of the client's earlier outputs.
    void Finish() {
        const std::vector<std::string> outputs = {native::NameOf(paths_.xml),
                                                  native::NameOf(paths_.page),
                                                  native::NameOf(paths_.log), kRecordName};
        std::vector<std::string> names;
        native::TheCalls().listFolder(staging_.Path(), &names);
        for (const std::string& name : names) {
            if (std::find(outputs.begin(), outputs.end(), name) == outputs.end())
                native::RemoveTree(native::Joined(staging_.Path(), name));
        }
        if (!row_.exported) {
            // A refused client keeps only its log and its record.
            native::RemoveTree(Staged(paths_.xml));
            native::RemoveTree(Staged(paths_.page));
        }
        WriteNew(Staged(paths_.log), AsKept(log_.str()));
        WriteNew(Staged(paths_.record), WriteRecord({inputs_, row_}));
        native::FileState state;
        std::string earlier;
        if (native::TheCalls().status(paths_.folder, false, &state) == 0) {
            earlier = native::TemporaryNameBeside(paths_.folder);
            if (const int error = native::TheCalls().replace(paths_.folder, earlier); error != 0)
                throw native::Failure("rename", paths_.folder, error);
        }
        staging_.Keep();
        if (!earlier.empty()) native::RemoveTree(earlier);
    }

    // The log names the files where they will stand, not where they were made.
    std::string AsKept(std::string text) const {
        const std::string& made = staging_.Path();
        for (std::size_t at = text.find(made); at != std::string::npos;
             at = text.find(made, at + paths_.folder.size()))
            text.replace(at, made.size(), paths_.folder);
        return text;
    }

    const Client& client_;
    const RunSettings& settings_;
    const Inputs& inputs_;
    ClientPaths paths_;
    native::TempFolder staging_;
    std::ostringstream log_;
    Row row_;
};

}  // namespace

ClientPaths PathsOf(const Client& client, const RunSettings& settings) {
    ClientPaths paths;
    const std::string& name = client.folderName;
    paths.folder = native::Joined(settings.monthFolder, name);
    paths.xml = native::Joined(paths.folder, name + ".xml");
    paths.page = native::Joined(paths.folder, name + ".html");
    paths.log = native::Joined(paths.folder, name + ".log");
    paths.record = native::Joined(paths.folder, kRecordName);
    paths.previousXml =
        native::Joined(native::Joined(settings.previousFolder, name), name + ".xml");
    return paths;
}

Inputs InputsOf(const Client& client, const RunSettings& settings) {
    Inputs inputs;
    inputs.books = HashOfFolder(client.folder);
    inputs.settings = client.iniPath.empty() ? "" : HashOfFile(client.iniPath);
    inputs.previous = HashOfFile(PathsOf(client, settings).previousXml);
    inputs.programs = settings.programs;
    return inputs;
}

std::optional<Record> Unchanged(const Client& client, const RunSettings& settings,
                                const Inputs& inputs) {
    const ClientPaths paths = PathsOf(client, settings);
    std::string text;
    if (books::ReadRegularFile(paths.record, 1 << 20, &text) != books::ReadOutcome::kRead)
        return std::nullopt;
    std::optional<Record> record = ReadRecord(text);
    if (!record || !record->row.exported || !(record->inputs == inputs) ||
        !StateOf(paths.xml).isPlainFile || !StateOf(paths.page).isPlainFile)
        return std::nullopt;
    record->row.client = client.folderName;
    record->row.unchanged = true;
    return record;
}

Row RunClient(const Client& client, const RunSettings& settings, const Inputs& inputs) {
    return ClientJob(client, settings, inputs).Run();
}

}  // namespace office
