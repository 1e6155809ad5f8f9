#pragma once

// The settings file: per user and company data set the last confirmed conditions, one
// LF-ended Shift_JIS record "KEYstart/end/kind/ledger/path". Saving moves the record to the
// end of the file.
//
// A record is found by its key at the start of a line only; saving keeps every other record byte
// for byte and ends each record it writes with LF.
//
// Limits: positions in the file are not held in 16 bits, so a file of any size is read and
// rewritten whole; keys and values are not cut, and a path over the path limit is neither saved
// nor offered. A file that exists but is not a plain file, or cannot be both read and written,
// is left alone, silently: the export it follows has succeeded.
//
// Saving reads, changes and replaces the file under the lock of its path, so that two users
// saving into one settings folder at once both keep their records.

#include <cstdint>
#include <string>

#include "common/Edition.h"
#include "platform/FileSystem.h"

struct SavedConditions {
    std::int16_t startMonth = 0;
    std::int16_t endMonth = 0;
    std::int16_t equityKind = 1;
    std::int32_t outputLedger = 1;
    std::string path;
};

class SavedSettings {
public:
    SavedSettings(FileSystem& files, const SettingsFileForm& form) : files_(files), form_(form) {}

    // Who the record belongs to.
    void SetOwner(std::string userId, std::string dataId, std::int32_t selectionNo);

    // 1 and the record for the key; 0 when there is none (the outs are left unchanged).
    int Read(SavedConditions* conditions);
    // 1 after writing the record; 0 when nothing could be saved.
    int Save(const SavedConditions& conditions);

    std::string Key() const;
    // The settings file's full name; empty when the folder of type 1 is empty.
    std::string FilePath() const;

private:
    bool IsPlainFile(const std::string& path);
    bool ReadWhole(const std::string& path, std::string* content);
    bool WriteWhole(const std::string& path, const std::string& content);

    FileSystem& files_;
    SettingsFileForm form_;
    std::string userId_;
    std::string dataId_;
    std::int32_t selectionNo_ = 0;
};
