#pragma once

// The XML file the tax application imports: the declaration, REPORT with its SYSTEM, BASIC and
// DATA blocks, and the statement sections inside DATA.
//
// The document is written through the platform's replacing file: put in the target's place only
// when all of it was written and is on the disk, so that a failed export leaves no partial file
// and leaves a file already at the target as it was. The target is prepared before the books are
// read: a target that exists and is not a plain file (a folder, a pipe, a device, or a link to
// one), a file of the run (the books, the settings file, the program's own files, by any name,
// whether they exist yet or not), a file that cannot be replaced (read-only, held open by another
// program), a folder that takes no new file, a target another export is writing, or one whose
// lock cannot be taken at all is refused at once; the lock on the target's path is held until the
// file is in place.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "aggregation/Figures.h"
#include "common/Edition.h"
#include "ledger/Records.h"
#include "platform/Platform.h"
#include "progress/ExportProgress.h"
#include "report/XmlWriter.h"

class ReportWriter {
public:
    // The program's own version (string resource 1) and the product version written when
    // SUPPORT.INF does not name one.
    static constexpr const char* kProgramVersion = "22.03.00";
    static constexpr const char* kDefaultProductVersion = "22.03.0X";

    ReportWriter(Platform& platform, const ProgramNames& names, ExportProgress& progress,
                 const AccountFigureList& figures, const LedgerLineList& ledger);
    virtual ~ReportWriter() = default;

    // Set by the export run before writing.
    void SetOwnerWindow(WindowHandle owner) { ownerWindow_ = owner; }
    void SetEquityKind(std::int16_t kind) { equityKind_ = kind; }
    void SetNotes(const std::vector<std::string>* lines, const unsigned char* displayFlags);
    // Ledger lines read as they are written, in place of the collected list.
    void SetLedgerSource(LedgerLineSource* source) { ledgerSource_ = source; }

    // Why a report was not written.
    enum class Failure {
        kNone,
        kTargetNotAFile,        // something other than a plain file stands at the path
        kTargetIsBooksStore,    // the path is, or will be, the books the run reads
        kTargetIsSettingsFile,  // … the settings file the run saves its conditions in
        kTargetIsProgramFile,   // … the definition file or SUPPORT.INF beside the program
        kTargetBusy,            // another export is writing the same target
        kLockFailed,            // the target's lock cannot be taken at all (see the reason)
        kTargetNotReplaceable,  // the file at the path cannot be replaced (see the reason)
        kCannotCreate,          // no new file can be made in the target's folder
        kWriteFailed,           // the document was not wholly written, flushed and put in place
    };

    // Checks that the target can be replaced, begins the file beside it and takes the target's
    // lock; kNone when the report can be written to `path`.
    Failure Prepare(const char* path);
    // 1 when the whole document was written and put at `path`, else 0 (see LastFailure). A
    // target not prepared is prepared first.
    int WriteReport(const char* path, std::int16_t functionId, const StDATAINFO* company);
    Failure LastFailure() const { return failure_; }
    // With kTargetNotReplaceable, kCannotCreate, kLockFailed or kWriteFailed, the file layer's
    // reason (a sentence for the user); empty when no file error caused the failure.
    const std::string& FailureReason() const { return failureReason_; }
    // kTargetNotAFile when `path` names an existing folder, pipe or device (a link answers for
    // what it points to); else kNone: a plain file or nothing is a usable target.
    Failure CheckTarget(const char* path);

    int WriteSystemBlock(XmlWriter& writer, std::int16_t functionId);
    int WriteBasicBlock(XmlWriter& writer, const StDATAINFO& company);
    int WriteDataBlock(XmlWriter* writer, const StDATAINFO* company);

    // The company name in full-width characters, at most 63 bytes, in a buffer shared by the
    // calls (valid until the next one).
    const char* ToFullWidthName(const char* name);

    // --- the statements
    int BalanceSheet(XmlWriter* writer);
    int IncomeStatement(XmlWriter* writer);
    int ScheduleCostGoodsManufactured(XmlWriter* writer);
    int StatementChangesNetAssets(XmlWriter* writer);
    int ListNotesNonConsolidated(XmlWriter* writer);

    // --- the general ledger (HJ00780S): per account with lines its name, category, opening and
    // closing, then its lines
    int WriteLedgerAccounts(XmlWriter& writer);
    // The lines of the account of the pending ledger line; the source moves past them.
    int WriteLedgerLines(XmlWriter& writer);

    // --- the notes
    static constexpr int kNoteRows = 178;  // the table's rows with its end row
    // Writes row `row`'s subtree; the row at which the caller continues (kNoteRows for a row
    // outside the table).
    int WriteNoteTree(int row, XmlWriter& writer);
    // 1 when the note's Disp line says "1".
    int IsNoteShown(long number) const;
    void WriteNoteLines(long number, int depth, XmlWriter& writer);

    // --- what the statements share. A figure's key is its account nature code; a key contains
    // another when it has all of its bits.
    using FigureCopies = std::vector<AccountFigure>;
    static constexpr std::size_t kLabelBuffer = 256;
    // Removes blanks, brackets and the marks (製) (完) (未) from `length` bytes of `source`.
    // 0 when the source is empty (the destination is then left as it was).
    static int CleanLabel(const char* source, std::size_t length,
                          char (&destination)[kLabelBuffer]);
    // The first figure whose key equals `key` exactly, whatever its exclusion flag.
    int FindFigure(std::uint32_t key, std::size_t* position) const;
    // Copies of the listable figures (exclusion flag 0 or 3) whose key contains `key`, or
    // equals it; 0 when a copy cannot be allocated.
    int CollectFiguresUnder(std::uint32_t key, FigureCopies* copies) const;
    int CollectFiguresExact(std::uint32_t key, FigureCopies* copies) const;
    int WriteSectionStart(XmlWriter& writer, std::uint32_t key, const char* element, int depth);
    int WriteAccountItems(XmlWriter& writer, std::uint32_t key, int depth);
    int WriteTotalLine(XmlWriter& writer, std::uint32_t key, const char* element, int depth);
    int WriteUnclassifiedFixedAssets(XmlWriter& writer, int depth, int warn);
    int WriteIncomeTaxItems(XmlWriter& writer, int depth);

private:
    struct StatementRow;
    int CollectFigures(std::uint32_t key, bool exact, FigureCopies* copies) const;
    int WriteStatement(XmlWriter& writer, const StatementRow* rows, std::size_t count);
    int WriteItems(XmlWriter& writer, const FigureCopies& copies, int depth);
    int WriteDocument(XmlWriter& writer, std::int16_t functionId, const StDATAINFO* company);
    // Reads the next ledger line into the pending line.
    int NextLedgerLine();

    Platform& platform_;
    // The prepared target: its path, its lock and the temporary that takes its place.
    std::string preparedPath_;
    std::unique_ptr<PathLock> targetLock_;
    std::unique_ptr<Replacement> output_;
    ProgramNames names_;
    ExportProgress& progress_;
    const AccountFigureList& figures_;
    const LedgerLineList& ledger_;
    WindowHandle ownerWindow_ = kNoWindow;
    std::int16_t equityKind_ = 1;
    std::int32_t notesAvailable_ = 0;
    const std::vector<std::string>* notesLines_ = nullptr;
    const unsigned char* noteDisplayFlags_ = nullptr;
    char line_[256] = {};
    // A note's text line may be long: 511 bytes, escaped up to six times over.
    char noteLine_[4096] = {};
    bool notesFailed_ = false;
    LedgerLineSource* ledgerSource_ = nullptr;
    // Without a source, the collected list read in order.
    std::unique_ptr<LedgerLineSource> collected_;
    bool ledgerStarted_ = false;
    // The line read ahead: the merge of figures and lines looks at one line before writing it.
    LedgerLine ledgerLine_{};
    bool ledgerPending_ = false;
    bool ledgerUnreadable_ = false;
    char fullWidthName_[128] = {};
    Failure failure_ = Failure::kNone;
    std::string failureReason_;
};
