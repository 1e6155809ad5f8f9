#pragma once

// The aggregation-condition dialog (template 130): the company data confirmed, the months to
// aggregate, the statement of changes in equity, the general-ledger option and the XML file.
// Every entry is checked when 実行 is pressed; the dialog ends with kConfirmed only after every
// check passed, with kCancelled when the user cancels or the data cannot be exported.

#include <cstdint>
#include <string>

#include "common/Edition.h"
#include "dialog/SavedSettings.h"
#include "platform/Platform.h"

// What the export run hands to the dialog before showing it.
struct DialogInputs {
    std::string companyLabel;  // " %s" of the company name
    std::string periodLabel;   // " yyyy/mm/dd～yyyy/mm/dd"
    std::int32_t firstDay = 0;
    std::int32_t lastDay = 0;
    std::int16_t introPosition = 0;
    std::int32_t pastResults = 0;  // 1 for past-results data
    std::int16_t companiesAct = 1;
    std::string fixedPath;  // the caller's output path; empty when none
    std::string userId;
    std::string dataId;
    std::int32_t selectionNo = 0;
    std::int32_t dataNo = 0;
};

class ConditionDialog : public DialogEvents {
public:
    static constexpr int kConfirmed = 1002;
    static constexpr int kCancelled = 1003;

    ConditionDialog(Platform& platform, const SettingsFileForm& settingsFile, WindowHandle parent);

    void SetInputs(const DialogInputs& inputs);
    // Shows the dialog until it ends; its end code.
    int DoModal();

    // --- what the dialog yields after it ended confirmed
    const std::string& StartMonthText() const { return startText_; }
    const std::string& EndMonthText() const { return endText_; }
    const std::string& PathText() const { return pathText_; }
    std::int16_t EquityKind() const { return equityKind_; }
    std::int32_t OutputLedger() const { return outputLedger_; }

    // --- the saved settings of this user and data set
    int ReadSavedSettings(std::int16_t* startMonth, std::int16_t* endMonth,
                          std::int16_t* equityKind, std::int32_t* outputLedger, std::string* path);
    // Saves the conditions; without a path, the path read at start-up (the caller's path is
    // never saved).
    int SaveSettings(std::int16_t startMonth, std::int16_t endMonth, std::int16_t equityKind,
                     std::int32_t outputLedger, const char* path);
    // The settings file's full name; empty when there is no settings folder.
    std::string SettingsFilePath() const { return settings_.FilePath(); }

    // --- DialogEvents
    void OnInit(DialogControls& controls) override;
    void OnCommand(DialogControls& controls, int id) override;
    bool OnKey(DialogControls& controls, DialogKey key) override;
    bool Ended() const override { return ended_; }
    int EndCode() const override { return endCode_; }

    // The path checks of 実行, by themselves.
    static bool CharacterCheck(const std::string& path);
    bool DriveCheck(const std::string& path);

private:
    void End(int code);
    void Execute(DialogControls& controls);
    void Browse(DialogControls& controls);
    void Cancel();
    int Warn(const char* text);
    bool Ask(const char* text);

    Platform& platform_;
    WindowHandle parent_;
    DialogInputs inputs_;
    SavedSettings settings_;
    bool ended_ = false;
    int endCode_ = 0;
    std::int16_t equityKind_ = 1;
    std::int32_t outputLedger_ = 1;
    std::int32_t pathFixed_ = 0;
    std::string savedPath_;
    std::string startText_;
    std::string endText_;
    std::string pathText_;
};
