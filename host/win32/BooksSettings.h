#pragma once

// kcbooks.ini, the settings file a person keeps in an edition's folder: where its books are, who
// logs in, which data set, and its folders. The edition reads its own at every start
// (host/win32/Host.cpp); kcview.exe reads those of the editions beside it to find the books of a
// dropped file.

#include <optional>
#include <string>
#include <vector>

// The folder of the running program, with its final backslash; empty when it has none.
std::wstring ProgramFolder();

class BooksSettings {
public:
    // The kcbooks.ini of `folder` (with its final backslash): no values when it is missing, is
    // not text Notepad saves, or is larger than a person writes.
    static BooksSettings Of(const std::wstring& folder);

    const std::wstring& File() const { return file_; }
    // The value of `key` in [Books]; empty when it is not given.
    std::wstring Value(const char* key) const;
    // A path value: a relative one starts at the settings' folder.
    std::wstring Path(const char* key) const;

    // Sets Store= of the kcbooks.ini of `folder` (with its final backslash) to `store` (UTF-8),
    // making the file when it is missing: its other lines and its encoding stay as the user saved
    // them, and it is replaced whole or not at all (native::TempFile, whose failures are raised).
    enum class StoreSet { kSet, kUnreadable, kUnknownEncoding };
    static StoreSet SetStore(const std::wstring& folder, const std::string& store);

private:
    std::wstring folder_;
    std::wstring file_;
    std::optional<std::string> text_;  // UTF-8
};

// The edition folders in `folder` (with its final backslash): those that hold an edition's
// ZezavareDef.ini, each with its final backslash, in the order of their names.
std::vector<std::wstring> EditionFoldersIn(const std::wstring& folder);

// The stores the editions beside a program name (Store= in the kcbooks.ini of each folder in
// `folder`, with its final backslash), in the order of the folders' names; each once.
std::vector<std::wstring> StoresOfEditionsIn(const std::wstring& folder);
