#include "tools/kcbooks/ImportRun.h"

#include <optional>

#include "messages/kcbooks/KcbooksMessages.h"
#include "native/Failure.h"
#include "native/PathLock.h"
#include "native/RunFiles.h"
#include "native/TempFile.h"

namespace kcbooks {
namespace {

using kcbooks_messages::Id;
using kcbooks_messages::Say;

// How long an import waits for another one into the same store: an import of everyday books
// takes a second or two, so a longer wait means the other one is large or stuck, and the user
// is better told than left waiting.
constexpr int kLockWaitSeconds = 10;

ImportOutcome Refused(Id id, const std::string& reason) {
    ImportOutcome outcome;
    outcome.refusal = Say(id, {{"reason", reason}});
    return outcome;
}

// Imports take turns through the store's lock (a lock file beside the store, gone when the run
// ends); the refusal when this one cannot have it.
std::optional<ImportOutcome> TakeStoreLock(native::PathLock& lock, const std::string& store) {
    switch (lock.Take(store, kLockWaitSeconds * 1000)) {
        case native::PathLock::Outcome::kHeld:
            return std::nullopt;
        case native::PathLock::Outcome::kBusy:
            return Refused(Id::kImportRefused,
                           Say(Id::kImportBusy, {{"store", store}, {"seconds", kLockWaitSeconds}}));
        case native::PathLock::Outcome::kFailed:
            break;
    }
    return Refused(Id::kImportRefused,
                   Say(Id::kImportLockFailed,
                       {{"reason", kcbooks_messages::FailureSentence(*lock.Failure())}}));
}

// The import itself, under the store's lock.
ImportOutcome ImportHeld(const std::string& booksDir, const std::string& store,
                         books::SourceEncoding encoding) {
    ImportOutcome outcome;
    outcome.imported = books::ImportBooks(booksDir, store, encoding);
    if (!outcome.imported.ok) return Refused(Id::kImportRefused, outcome.imported.message);
    outcome.ok = true;
    return outcome;
}

// Why `store` may not be the journal's store, or empty: it is one of the files the import reads.
std::string StoreClash(const convert::ConvertOptions& options, const std::string& store) {
    native::RunFiles run;
    run.Add(options.journalPath, Say(Id::kRoleJournal));
    if (!options.openingsPath.empty()) run.Add(options.openingsPath, Say(Id::kRoleOpenings));
    if (!options.chartPath.empty()) run.Add(options.chartPath, Say(Id::kRoleChart));
    if (std::optional<std::string> clash = run.AddTarget(store, Say(Id::kRoleStore))) {
        return Say(Id::kStoreClash, {{"store", store}, {"role", *clash}});
    }
    return std::string();
}

}  // namespace

ImportOutcome ImportFolder(const std::string& booksDir, const std::string& store,
                           books::SourceEncoding encoding) {
    native::PathLock lock;
    if (std::optional<ImportOutcome> refused = TakeStoreLock(lock, store)) return *refused;
    return ImportHeld(booksDir, store, encoding);
}

// Converts into a temporary folder beside the store (native::TempFolder), imports it and
// discards it, all under the store's lock, so that two imports into one store never share a
// folder.
ImportOutcome ImportJournal(convert::ConvertOptions options, const std::string& store) {
    if (std::string clash = StoreClash(options, store); !clash.empty())
        return Refused(Id::kImportRefused, clash);
    native::PathLock lock;
    if (std::optional<ImportOutcome> refused = TakeStoreLock(lock, store)) return *refused;
    // The books are the store's on their way: the report and a failure name the store.
    options.outDir = store;
    native::TempFolder converted(store);
    convert::ConvertResult result;
    try {
        result = convert::ConvertInto(options, converted.Path());
    } catch (const native::Failure& failure) {
        throw failure.Naming(store);
    }
    if (!result.ok) return Refused(Id::kConvertRefused, result.message);
    ImportOutcome outcome = ImportHeld(converted.Path(), store, books::SourceEncoding::kUtf8);
    if (!outcome.ok) return outcome;
    converted.Discard();
    outcome.report = std::move(result.report);
    return outcome;
}

}  // namespace kcbooks
