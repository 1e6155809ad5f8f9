#pragma once

// The application object: one start, one export, one result posted to the program that
// started it. InitInstance does the whole run; ExitInstance frees, logs out and tells the
// caller.

#include <cstdint>
#include <string>
#include <vector>

#include "aggregation/Figures.h"
#include "aggregation/PeriodConditions.h"
#include "app/CallerLine.h"
#include "common/Edition.h"
#include "common/Types.h"
#include "ledger/Services.h"
#include "platform/Platform.h"

enum RunResult : std::int32_t {
    kCompleted = 0,
    kCancelled = 1,
    kFailed = 2,
};

// Results of the environment check.
enum EnvironmentCheck : int {
    kEnvironmentUsable = 0,
    kEnvironmentInvalid = -1,  // definition file missing or level empty
    kTaxApplicationOlder = 1,  // its level is below ours
    kTaxApplicationNewer = 2,  // its level is above ours
};

class LinkApp {
public:
    // The program level of the tax application this component was built for.
    static constexpr int kRequiredLevel = 3;

    // `caller` is the caller's line as the host read it; none when the program runs on its own.
    LinkApp(Platform& platform, const Edition& edition, const CallerLine& caller = {});
    LinkApp(const LinkApp&) = delete;
    LinkApp& operator=(const LinkApp&) = delete;

    // The start-up handler: the whole run. False refuses start-up (a stop, or an export run that
    // ended early); the program then goes on to ExitInstance either way.
    bool InitInstance();
    // The exit handler; returns the framework's exit value (0).
    int ExitInstance();

    // 1 when the tax application's definition file carries our program level.
    int CheckEnvironment(int showMessages);
    int ReadSelectedCompany(StDATAINFO* company);
    int ReadConsumptionTaxSettings(StSHOHIZEIINFO* settings, const StDATAINFO& company);

    // The export itself: the condition dialog, the aggregation under the progress window, the
    // notes, the XML file, the saved settings and the final message. True when it completed.
    bool RunExport();
    // Refills the notes lines from the notes body, entities decoded.
    void SplitNotesText(const std::string& text);
    // Tells the user which enabled notes the file does not carry.
    void WarnUnsupportedNotes(MessageService& messages, WindowHandle owner);

    const std::vector<std::string>& NotesLines() const { return notesLines_; }
    unsigned char* NoteDisplayFlags() { return noteDisplayFlags_; }

    RunResult Result() const { return runResult_; }
    const CallerLink& Caller() const { return caller_; }
    bool LaunchedByCaller() const { return launchedByCaller_ != 0; }
    AccountFigureList& Figures() { return figures_; }
    LedgerLineList& LedgerLines() { return ledgerLines_; }
    const StDATAINFO& Company() const { return company_; }
    const StSHOHIZEIINFO& TaxSettings() const { return taxSettings_; }

private:
    // Names the files the output must never replace: the settings file, the definition file,
    // SUPPORT.INF and the program itself (the host names the books).
    void AddRunFiles(const std::string& settingsFile);

    Platform& platform_;
    const Edition& edition_;
    CallerLink caller_;
    bool fromCaller_ = false;
    bool callerPathTooLong_ = false;
    std::int32_t launchedByCaller_ = 0;
    WindowHandle callerWindowObject_ = kNoWindow;  // parent of the dialogs
    RunResult runResult_ = kCompleted;
    AccountFigureList figures_;
    LedgerLineList ledgerLines_;
    ClSetData* companySet_ = nullptr;
    std::vector<std::string> notesLines_;
    unsigned char noteDisplayFlags_[50] = {};
    std::int32_t notesAvailable_ = 0;
    StDATAINFO company_{};
    StSHOHIZEIINFO taxSettings_{};
};
