#include "host/win32/BooksSettings.h"

#include <algorithm>

#include "books/Paths.h"
#include "host/Profile.h"
#include "host/win32/Wide.h"
#include "host/win32/Win32Api.h"
#include "native/TempFile.h"

namespace {

constexpr const wchar_t* kSettingsFile = L"kcbooks.ini";
constexpr const char* kSection = "Books";
// A settings file of more than a megabyte is not one a person wrote.
constexpr std::uint64_t kLargestSettings = 1 << 20;

}  // namespace

std::wstring ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    while (true) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return L"";
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"" : path.substr(0, slash + 1);
}

BooksSettings BooksSettings::Of(const std::wstring& folder) {
    BooksSettings settings;
    settings.folder_ = folder;
    settings.file_ = folder + kSettingsFile;
    // A folder whose name holds a lone surrogate has no UTF-8 name to read it by.
    const std::optional<std::string> path = WideToUtf8(settings.file_);
    std::string bytes;
    if (path &&
        books::ReadRegularFile(*path, kLargestSettings, &bytes) == books::ReadOutcome::kRead)
        settings.text_ = ProfileTextAsUtf8(bytes);
    return settings;
}

BooksSettings::StoreSet BooksSettings::SetStore(const std::wstring& folder,
                                                const std::string& store) {
    const std::optional<std::string> path = WideToUtf8(folder + kSettingsFile);
    std::string bytes;
    const books::ReadOutcome read = path ? books::ReadRegularFile(*path, kLargestSettings, &bytes)
                                         : books::ReadOutcome::kReadError;
    // A file that is not there is made; one that is there but cannot be read is left alone.
    if (read != books::ReadOutcome::kRead && read != books::ReadOutcome::kCannotOpen)
        return StoreSet::kUnreadable;
    const std::optional<std::string> written = ProfileWithValue(bytes, kSection, "Store", store);
    if (!written) return StoreSet::kUnknownEncoding;
    native::TempFile replacement(*path);
    replacement.Write(*written);
    replacement.Keep();
    return StoreSet::kSet;
}

std::wstring BooksSettings::Value(const char* key) const {
    if (!text_) return L"";
    const std::optional<std::string> value = FindProfileValue(*text_, kSection, key);
    // The settings' text is UTF-8 already (ProfileTextAsUtf8).
    return value ? Utf8ToWide(*value).value_or(L"") : L"";
}

std::wstring BooksSettings::Path(const char* key) const {
    const std::wstring path = Value(key);
    const bool relative = !path.empty() && path[0] != L'\\' && path[0] != L'/' &&
                          !(path.size() > 1 && path[1] == L':');
    return relative ? FullPath(folder_ + path) : path;
}

namespace {

// The names of the folders in `folder`, sorted.
std::vector<std::wstring> SubfoldersOf(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return {};
    do {
        const std::wstring name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && name != L"." &&
            name != L"..")
            names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

std::vector<std::wstring> EditionFoldersIn(const std::wstring& folder) {
    std::vector<std::wstring> editions;
    for (const std::wstring& name : SubfoldersOf(folder)) {
        const std::wstring edition = folder + name + L"\\";
        const DWORD attributes = GetFileAttributesW((edition + L"ZezavareDef.ini").c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            editions.push_back(edition);
    }
    return editions;
}

std::vector<std::wstring> StoresOfEditionsIn(const std::wstring& folder) {
    std::vector<std::wstring> stores;
    for (const std::wstring& edition : SubfoldersOf(folder)) {
        const std::wstring store = BooksSettings::Of(folder + edition + L"\\").Path("Store");
        if (!store.empty() && std::find(stores.begin(), stores.end(), store) == stores.end())
            stores.push_back(store);
    }
    return stores;
}
