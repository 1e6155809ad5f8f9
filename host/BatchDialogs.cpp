#include "host/BatchDialogs.h"

#include <cstdio>

#include "dialog/ControlIds.h"
#include "host/MemoryControls.h"

int BatchDialogs::RunModal(int /*templateId*/, WindowHandle /*parent*/, DialogEvents& events) {
    MemoryControls controls;
    events.OnInit(controls);
    if (events.Ended()) return events.EndCode();
    if (input_.startMonth) controls.SetText(ctl::kStartMonth, std::to_string(*input_.startMonth));
    if (input_.endMonth) controls.SetText(ctl::kEndMonth, std::to_string(*input_.endMonth));
    if (input_.kind) {
        controls.SetCheck(ctl::kShareholdersEquity, *input_.kind != 2);
        controls.SetCheck(ctl::kMembersEquity, *input_.kind == 2);
    }
    if (input_.ledger) controls.SetCheck(ctl::kOutputLedger, *input_.ledger);
    if (input_.out) {
        if (controls.IsEnabled(ctl::kPath)) {
            controls.SetText(ctl::kPath, *input_.out);
        } else {
            std::fputs("--out is not used: the caller fixed the output path\n", stderr);
        }
    }
    events.OnCommand(controls, ctl::kExecute);
    if (!events.Ended()) events.OnCommand(controls, ctl::kCancel);
    return events.EndCode();
}

std::optional<std::string> BatchDialogs::AskSaveFile(const SaveFileRequest& /*request*/) {
    return std::nullopt;
}
