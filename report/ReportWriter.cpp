#include "report/ReportWriter.h"

#include <cstdio>
#include <cstring>
#include <optional>

#include "common/FullWidth.h"
#include "common/Sjis.h"
#include "report/SupportInfo.h"

namespace {

// A value of SUPPORT.INF in a 256-byte field, never cut inside a character.
std::string Field256(const std::string& value, const char* fallback) {
    std::string text = value.empty() ? std::string(fallback) : value;
    return text.substr(0, sjis::FitLength(text, 255));
}

}  // namespace

ReportWriter::ReportWriter(Platform& platform, const ProgramNames& names, ExportProgress& progress,
                           const AccountFigureList& figures, const LedgerLineList& ledger)
    : platform_(platform), names_(names), progress_(progress), figures_(figures), ledger_(ledger) {}

void ReportWriter::SetNotes(const std::vector<std::string>* lines,
                            const unsigned char* displayFlags) {
    notesAvailable_ = lines && displayFlags ? 1 : 0;
    notesLines_ = lines;
    noteDisplayFlags_ = displayFlags;
}

ReportWriter::Failure ReportWriter::CheckTarget(const char* path) {
    FileStatus status;
    if (path && platform_.files.GetStatus(path, &status) && !status.isRegularFile)
        return Failure::kTargetNotAFile;
    return Failure::kNone;
}

ReportWriter::Failure ReportWriter::Prepare(const char* path) {
    output_.reset();
    targetLock_.reset();
    preparedPath_.clear();
    failureReason_.clear();
    if (!path || !*path) return Failure::kWriteFailed;
    if (const Failure target = CheckTarget(path); target != Failure::kNone) return target;
    if (const std::optional<RunFileRole> role = platform_.files.RunFileAt(path)) {
        switch (*role) {
            case RunFileRole::kBooksStore:
                return Failure::kTargetIsBooksStore;
            case RunFileRole::kSettingsFile:
                return Failure::kTargetIsSettingsFile;
            case RunFileRole::kProgramFile:
                return Failure::kTargetIsProgramFile;
        }
    }
    try {
        platform_.files.CheckReplaceable(path);
    } catch (const FileError& error) {
        failureReason_ = error.what();
        return Failure::kTargetNotReplaceable;
    }
    // Begun before the lock is asked for: a folder that takes no new file is told as such, even
    // when its lock file cannot be made there either.
    try {
        output_ = platform_.files.CreateReplacement(path);
    } catch (const FileError& error) {
        failureReason_ = error.what();
        return Failure::kCannotCreate;
    }
    // Another export holds the lock for the whole of its run; a few seconds' wait covers only
    // two runs started at once.
    constexpr int kLockWaitMilliseconds = 2000;
    try {
        targetLock_ = platform_.files.LockPath(path, kLockWaitMilliseconds);
    } catch (const FileError& error) {
        failureReason_ = error.what();
        output_.reset();
        return Failure::kLockFailed;
    }
    if (!targetLock_) {
        output_.reset();
        return Failure::kTargetBusy;
    }
    preparedPath_ = path;
    return Failure::kNone;
}

int ReportWriter::WriteReport(const char* path, std::int16_t functionId,
                              const StDATAINFO* company) {
    failure_ = Failure::kWriteFailed;
    if (!path || !*path) return 0;
    if (!output_ || preparedPath_ != path) {
        failure_ = Prepare(path);
        if (failure_ != Failure::kNone) return 0;
    }
    failureReason_.clear();
    XmlWriter writer;
    writer.Open(&output_->Output());
    int written = WriteDocument(writer, functionId, company);
    writer.Close();
    // A document whose last bytes did not reach the file is not written; a replacement not kept
    // is removed.
    if (writer.Failed()) {
        written = 0;
        failureReason_ = writer.FailureReason();
    } else if (written) {
        try {
            output_->Keep();
            progress_.FileInPlace();
        } catch (const FileError& error) {
            written = 0;
            failureReason_ = error.what();
        }
    }
    output_.reset();
    targetLock_.reset();
    preparedPath_.clear();
    failure_ = written ? Failure::kNone : Failure::kWriteFailed;
    return written;
}

int ReportWriter::WriteDocument(XmlWriter& writer, std::int16_t functionId,
                                const StDATAINFO* company) {
    char reportLine[512];
    writer.WriteRaw("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n");
    writer.WriteStartTag(reportLine, "REPORT", 0);
    int ok = 1;
    progress_.Pulse();
    ok = WriteSystemBlock(writer, functionId);
    if (ok) {
        progress_.Pulse();
        ok = company ? WriteBasicBlock(writer, *company) : 0;
    }
    if (ok) {
        progress_.Pulse();
        ok = WriteDataBlock(&writer, company);
    }
    if (ok) progress_.Pulse();
    // The end tag closes the document on failure too; the temporary file is then removed.
    int closed = writer.WriteEndTag(reportLine, "REPORT", 0);
    return ok && closed ? 1 : 0;
}

int ReportWriter::WriteSystemBlock(XmlWriter& writer, std::int16_t functionId) {
    SupportInfo support(platform_, names_.program);
    char number[16];
    std::snprintf(number, sizeof(number), "%d", static_cast<int>(functionId));
    if (!writer.WriteStartTag(line_, "SYSTEM", 1)) return 0;
    if (!writer.WriteElement(line_, "GYOUMUPREFIX", "HJ21", 2)) return 0;
    progress_.Pulse();
    if (!writer.WriteElement(line_, "VERSION", "1", 2)) return 0;
    progress_.Pulse();
    if (!writer.WriteElement(line_, "FUNCTIONID", number, 2)) return 0;
    progress_.Pulse();
    if (!writer.WriteElement(line_, "CONNECTEDPROGRAMVER", kProgramVersion, 2)) return 0;
    progress_.Pulse();
    std::string name = Field256(support.ProductName(), names_.packageName);
    if (!writer.WriteElement(line_, "PROGRAMNAME", name.c_str(), 2)) return 0;
    progress_.Pulse();
    std::string version = Field256(support.ProductVersion(), kDefaultProductVersion);
    if (!writer.WriteElement(line_, "PROGRAMVER", version.c_str(), 2)) return 0;
    progress_.Pulse();
    if (!writer.WriteEndTag(line_, "SYSTEM", 1)) return 0;
    progress_.Pulse();
    progress_.SystemWritten();
    return 1;
}

int ReportWriter::WriteBasicBlock(XmlWriter& writer, const StDATAINFO& company) {
    struct Row {
        int depth;
        enum { kStart, kEnd, kElement } kind;
        const char* name;
        const char* text;
    };
    char from[16];
    char to[16];
    std::snprintf(from, sizeof(from), "%d", static_cast<int>(company.periodFrom));
    std::snprintf(to, sizeof(to), "%d", static_cast<int>(company.periodTo));
    std::string name = ToFullWidthName(
        std::string(sjis::FieldText(company.companyName, sizeof(company.companyName))).c_str());

    if (!writer.WriteStartTag(line_, "BASIC", 1)) return 0;
    if (!writer.WriteElement(line_, "KOMONSAKINAME", name.c_str(), 2)) return 0;
    progress_.Pulse();
    if (!writer.WriteElement(line_, "JIGYOUNENDOFROM", from, 2)) return 0;
    progress_.Pulse();
    if (!writer.WriteElement(line_, "JIGYOUNENDOTO", to, 2)) return 0;
    progress_.Pulse();
    const Row pattern[] = {
        {2, Row::kStart, "PATTERN", nullptr},
        {3, Row::kStart, "BS", nullptr},
        {4, Row::kStart, "CA", nullptr},
        {5, Row::kElement, "Doubtful", "A2"},
        {4, Row::kEnd, "CA", nullptr},
        {4, Row::kStart, "PPE", nullptr},
        {5, Row::kElement, "DepImp", "B4"},
        {4, Row::kEnd, "PPE", nullptr},
        {4, Row::kStart, "IOA", nullptr},
        {5, Row::kElement, "Doubtful", "C2"},
        {5, Row::kElement, "DepImp", "D4"},
        {4, Row::kEnd, "IOA", nullptr},
        {3, Row::kEnd, "BS", nullptr},
        {3, Row::kStart, "PL", nullptr},
        {4, Row::kElement, "Sales", "E3"},
        {4, Row::kElement, "Cos", company.manufacturing != 0 ? "F3" : "F1"},
        {4, Row::kElement, "Sga", "G1"},
        {3, Row::kEnd, "PL", nullptr},
        {2, Row::kEnd, "PATTERN", nullptr},
    };
    for (const Row& row : pattern) {
        int ok = row.kind == Row::kStart ? writer.WriteStartTag(line_, row.name, row.depth)
                 : row.kind == Row::kEnd
                     ? writer.WriteEndTag(line_, row.name, row.depth)
                     : writer.WriteElement(line_, row.name, row.text, row.depth);
        if (!ok) return 0;
    }
    progress_.Pulse();
    if (!writer.WriteEndTag(line_, "BASIC", 1)) return 0;
    progress_.BasicWritten();
    return 1;
}

int ReportWriter::WriteDataBlock(XmlWriter* writer, const StDATAINFO* company) {
    if (!writer || !company) return 0;
    if (!writer->WriteStartTag(line_, "DATA", 1)) return 0;
    if (!BalanceSheet(writer) || !IncomeStatement(writer)) return 0;
    if (company->manufacturing != 0 && !ScheduleCostGoodsManufactured(writer)) return 0;
    if (!StatementChangesNetAssets(writer)) return 0;
    if (notesAvailable_ == 1 && !ListNotesNonConsolidated(writer)) return 0;
    if (!WriteLedgerAccounts(*writer)) return 0;
    if (!writer->WriteEndTag(line_, "DATA", 1)) return 0;
    progress_.DataWritten();
    return 1;
}

const char* ReportWriter::ToFullWidthName(const char* name) {
    std::string converted = platform_.text.ToFullWidth(name ? name : "");
    // The tax application takes at most 63 bytes; the cut never splits a character.
    std::size_t length = sjis::FitLength(converted, kWrittenCompanyNameBytes);
    std::memcpy(fullWidthName_, converted.data(), length);
    fullWidthName_[length] = '\0';
    return fullWidthName_;
}
