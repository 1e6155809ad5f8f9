#pragma once

// What differs between the four deliverables: the application type announced at login, the
// settings file and its key form, and the names written into the XML file. Each layer is handed
// only the part it uses.

// Where an edition keeps the user's last conditions.
struct SettingsFileForm {
    const char* fileName;    // e.g. "kcsakura.env"
    bool keyHasSelectionNo;  // the settings key carries the user's selection number
};

// Who writes the XML file.
struct ProgramNames {
    const char* program;      // the deliverable, e.g. "kcsakura": captions its own notices
    const char* packageName;  // Shift_JIS; PROGRAMNAME when SUPPORT.INF names no product
};

struct Edition {
    const char* name;  // the deliverable, e.g. "kcsakura"
    int appType;       // announced to the connection library
    SettingsFileForm settingsFile;
    const char* packageName;  // Shift_JIS

    ProgramNames Names() const { return {name, packageName}; }
};

extern const Edition kEditionKcsakura;
extern const Edition kEditionKcqb7;
extern const Edition kEditionKcneo;
extern const Edition kEditionKcstd;
