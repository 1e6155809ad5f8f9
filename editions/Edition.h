#pragma once

// What differs between the four deliverables: the application type announced at login, the
// settings file and its key form, and the package name written into the XML file.

struct Edition {
    const char* name;              // the deliverable, e.g. "kcsakura"
    int appType;                   // announced to the connection library
    const char* settingsFileName;  // e.g. "kcsakura.env"
    bool keyHasSelectionNo;        // the settings key carries the user's selection number
    const char* packageName;       // Shift_JIS
};

extern const Edition kEditionKcsakura;
extern const Edition kEditionKcqb7;
extern const Edition kEditionKcneo;
extern const Edition kEditionKcstd;
