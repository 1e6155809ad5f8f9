// What Windows reads from each built program without running it, as Explorer and the loader read
// it: the first icon (the one Explorer and the taskbar show), the version information of the
// file's properties, and the manifest the loader applies.

// First: it drops the macros that would rename the platform interfaces' operations.
#include "host/win32/Win32Api.h"
// Then the headers that include <windows.h> themselves, and the rest.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "resources/ResourceIds.h"

namespace {

struct Program {
    const wchar_t* file;  // inside the build's dist folder
    const wchar_t* product;
    bool edition;  // an edition, with an icon of its own
};

constexpr Program kPrograms[] = {
    {L"kcsakura\\kcsakura.exe", L"記帳丸２２ さくら版", true},
    {L"kcqb7\\kcqb7.exe", L"QB7", true},
    {L"kcneo\\kcneo.exe", L"記帳丸２２ NEO", true},
    {L"kcstd\\kcstd.exe", L"記帳丸２２", true},
    {L"kcbooks.exe", L"決算書 link", false},
    {L"kccaller.exe", L"決算書 link", false},
    {L"kcoffice.exe", L"決算書 link", false},
    {L"kcview.exe", L"決算書 link", false},
};

// The resource types as the W calls take them: the build defines no UNICODE, so RT_ICON and
// the others are the A calls' pointers.
const LPCWSTR kIconType = MAKEINTRESOURCEW(3);
const LPCWSTR kGroupIconType = MAKEINTRESOURCEW(14);
const LPCWSTR kManifestType = MAKEINTRESOURCEW(24);

std::wstring PathOf(const Program& program) {
    std::wstring path = KC_WINDOWS_DIST;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path + L"\\" + program.file;
}

std::wstring FileNameOf(const Program& program) {
    std::wstring file = program.file;
    return file.substr(file.find_last_of(L'\\') + 1);
}

// The program's file opened for its resources only, closed with the object.
class ResourceFile {
public:
    explicit ResourceFile(const std::wstring& path)
        : module_(LoadLibraryExW(path.c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    ~ResourceFile() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    ResourceFile(const ResourceFile&) = delete;
    ResourceFile& operator=(const ResourceFile&) = delete;

    // The IDs of a type's resources in the order Windows enumerates them (names as 0).
    std::vector<ULONG_PTR> Ids(LPCWSTR type) const {
        std::vector<ULONG_PTR> ids;
        EnumResourceNamesW(
            module_, type,
            [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found) -> BOOL {
                reinterpret_cast<std::vector<ULONG_PTR>*>(found)->push_back(
                    IS_INTRESOURCE(name) ? reinterpret_cast<ULONG_PTR>(name) : 0);
                return TRUE;
            },
            reinterpret_cast<LONG_PTR>(&ids));
        return ids;
    }

    std::string Bytes(LPCWSTR type, WORD id) const {
        HRSRC found = module_ ? FindResourceW(module_, MAKEINTRESOURCEW(id), type) : nullptr;
        HGLOBAL loaded = found != nullptr ? LoadResource(module_, found) : nullptr;
        const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
        if (data == nullptr) return "";
        return std::string(static_cast<const char*>(data), SizeofResource(module_, found));
    }

    // The images of the program's icon by their edge in pixels. The group lists them after a
    // 6-byte header in 14-byte entries: the width first (0 for 256), the RT_ICON ID last.
    std::map<int, std::string> ProgramIconImages() const {
        const std::string group = Bytes(kGroupIconType, IDI_PROGRAM);
        auto byte = [&](std::size_t at) { return static_cast<unsigned char>(group[at]); };
        std::map<int, std::string> images;
        std::size_t count = group.size() < 6 ? 0 : byte(4) | byte(5) << 8;
        for (std::size_t entry = 6; count-- > 0 && entry + 14 <= group.size(); entry += 14) {
            const int edge = byte(entry) == 0 ? 256 : byte(entry);
            images[edge] =
                Bytes(kIconType, static_cast<WORD>(byte(entry + 12) | byte(entry + 13) << 8));
        }
        return images;
    }

private:
    HMODULE module_;
};

// A text of the version information's Japanese Unicode block; none when it is missing.
std::optional<std::wstring> VersionText(const std::vector<char>& info, const std::wstring& key) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring query = L"\\StringFileInfo\\041104B0\\" + key;
    if (!VerQueryValueW(info.data(), query.c_str(), &value, &length) || length == 0)
        return std::nullopt;
    return std::wstring(static_cast<const wchar_t*>(value));
}

std::vector<char> VersionInfoOf(const std::wstring& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    std::vector<char> info(size);
    if (size == 0 || !GetFileVersionInfoW(path.c_str(), 0, size, info.data())) info.clear();
    return info;
}

TEST(ProgramResources, VersionInformationNamesTheProductAndVersion) {
    for (const Program& program : kPrograms) {
        SCOPED_TRACE(testing::PrintToString(FileNameOf(program)));
        const std::vector<char> info = VersionInfoOf(PathOf(program));
        ASSERT_FALSE(info.empty());
        EXPECT_EQ(VersionText(info, L"ProductName"), program.product);
        EXPECT_EQ(VersionText(info, L"FileVersion"), L"22.03.00");
        EXPECT_EQ(VersionText(info, L"ProductVersion"), L"22.03.00");
        EXPECT_EQ(VersionText(info, L"OriginalFilename"), FileNameOf(program));
        EXPECT_NE(VersionText(info, L"FileDescription").value_or(L""), L"");

        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
        EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(3, 22));
        EXPECT_EQ(fixed->dwFileVersionLS, 0u);
        EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(3, 22));
        // Explorer shows the block the translation table names: Japanese, Unicode.
        WORD* translation = nullptr;
        ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                                   reinterpret_cast<void**>(&translation), &length));
        ASSERT_GE(length, 4u);
        EXPECT_EQ(translation[0], 0x0411);
        EXPECT_EQ(translation[1], 1200);
    }
}

TEST(ProgramResources, OneManifestAskingForCommonControls6AsInvoker) {
    for (const Program& program : kPrograms) {
        SCOPED_TRACE(testing::PrintToString(FileNameOf(program)));
        const std::wstring path = PathOf(program);
        ResourceFile file(path);
        // A second manifest (a toolchain's default one) would leave the loader to pick either.
        EXPECT_EQ(file.Ids(kManifestType), std::vector<ULONG_PTR>{1});
        const std::string manifest = file.Bytes(kManifestType, 1);
        EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
                  std::string::npos);
        EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
        EXPECT_NE(manifest.find(">PerMonitorV2"), std::string::npos);

        // The loader takes it: a manifest it cannot parse stops the program before it starts.
        ACTCTXW context = {};
        context.cbSize = sizeof(context);
        context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
        context.lpSource = path.c_str();
        context.lpResourceName = MAKEINTRESOURCEW(1);  // CREATEPROCESS_MANIFEST_RESOURCE_ID
        HANDLE created = CreateActCtxW(&context);
        EXPECT_NE(created, INVALID_HANDLE_VALUE) << "error " << GetLastError();
        if (created != INVALID_HANDLE_VALUE) ReleaseActCtx(created);
    }
}

// Each edition's first icon (the one Explorer and the taskbar show) is its own, in every size,
// and told apart at a glance: no two editions share the image of any size.
TEST(ProgramResources, EditionsFirstIconIsTheirOwnInEverySize) {
    std::map<int, std::set<std::string>> imagesByEdge;
    int editions = 0;
    for (const Program& program : kPrograms) {
        if (!program.edition) continue;
        SCOPED_TRACE(testing::PrintToString(FileNameOf(program)));
        ++editions;
        ResourceFile file(PathOf(program));
        const std::vector<ULONG_PTR> groups = file.Ids(kGroupIconType);
        ASSERT_FALSE(groups.empty());
        EXPECT_EQ(groups.front(), static_cast<ULONG_PTR>(IDI_PROGRAM));
        std::set<int> edges;
        for (const auto& [edge, image] : file.ProgramIconImages()) {
            edges.insert(edge);
            if (!image.empty()) imagesByEdge[edge].insert(image);
        }
        EXPECT_EQ(edges, (std::set<int>{16, 24, 32, 48, 256}));
    }
    for (const auto& [edge, images] : imagesByEdge)
        EXPECT_EQ(images.size(), static_cast<std::size_t>(editions)) << edge << " pixels";
}

}  // namespace
