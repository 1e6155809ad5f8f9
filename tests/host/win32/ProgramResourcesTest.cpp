// What Windows reads from each built program without running it, as Explorer and the loader read
// it: the first icon (the one Explorer and the taskbar show), the version information of the
// file's properties, and the manifest the loader applies.

// First: it drops the macros that would rename the platform interfaces' operations.
#include "host/win32/Win32Api.h"
// Then the headers that include <windows.h> themselves, and the rest.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "resources/ResourceIds.h"

namespace {

struct Program {
    const wchar_t* file;  // inside the build's dist folder
    const wchar_t* product;
};

constexpr Program kEditions[] = {
    {L"kcsakura\\kcsakura.exe", L"記帳丸２２ さくら版"},
    {L"kcqb7\\kcqb7.exe", L"QB7"},
    {L"kcneo\\kcneo.exe", L"記帳丸２２ NEO"},
    {L"kcstd\\kcstd.exe", L"記帳丸２２"},
};
constexpr Program kTools[] = {
    {L"kcbooks.exe", L"決算書 link"},
    {L"kccaller.exe", L"決算書 link"},
};

std::vector<Program> EveryProgram() {
    std::vector<Program> programs(std::begin(kEditions), std::end(kEditions));
    programs.insert(programs.end(), std::begin(kTools), std::end(kTools));
    return programs;
}

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

// The program's file name, without its extension.
std::string NameOf(const Program& program) {
    const std::wstring file = FileNameOf(program);
    return std::string(file.begin(), file.end() - 4);
}

// For the tests' names and messages.
void PrintTo(const Program& program, std::ostream* out) {
    *out << NameOf(program);
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

    bool IsOpen() const { return module_ != nullptr; }

    // The names of a type's resources in the order Windows enumerates them; an ID as "#N".
    std::vector<std::wstring> Names(LPCWSTR type) const {
        std::vector<std::wstring> names;
        EnumResourceNamesW(
            module_, type,
            [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found) -> BOOL {
                auto& list = *reinterpret_cast<std::vector<std::wstring>*>(found);
                list.push_back(IS_INTRESOURCE(name)
                                   ? L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(name))
                                   : std::wstring(name));
                return TRUE;
            },
            reinterpret_cast<LONG_PTR>(&names));
        return names;
    }

    std::optional<std::string> Bytes(LPCWSTR type, WORD id) const {
        HRSRC found = FindResourceW(module_, MAKEINTRESOURCEW(id), type);
        if (found == nullptr) return std::nullopt;
        HGLOBAL loaded = LoadResource(module_, found);
        const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
        if (data == nullptr) return std::nullopt;
        return std::string(static_cast<const char*>(data), SizeofResource(module_, found));
    }

private:
    HMODULE module_;
};

// One image of an icon group: its edge in pixels (0 in the group means 256) and its RT_ICON ID.
struct IconImage {
    int edge;
    WORD id;
};

// The images a group icon lists (GRPICONDIR: a 6-byte header, then 14-byte entries).
std::vector<IconImage> ImagesOf(const std::string& group) {
    auto byte = [&](std::size_t at) { return static_cast<unsigned char>(group[at]); };
    std::vector<IconImage> images;
    if (group.size() < 6) return images;
    const std::size_t count = byte(4) | byte(5) << 8;
    for (std::size_t i = 0; i < count && 6 + i * 14 + 14 <= group.size(); ++i) {
        const std::size_t entry = 6 + i * 14;
        const int width = byte(entry) == 0 ? 256 : byte(entry);
        images.push_back({width, static_cast<WORD>(byte(entry + 12) | byte(entry + 13) << 8)});
    }
    return images;
}

// The image of the program's icon at this edge; none when the program has none of that size.
std::optional<std::string> IconImageBytes(const ResourceFile& file, int edge) {
    auto group = file.Bytes(kGroupIconType, IDI_PROGRAM);
    if (!group) return std::nullopt;
    for (const IconImage& image : ImagesOf(*group)) {
        if (image.edge == edge) return file.Bytes(kIconType, image.id);
    }
    return std::nullopt;
}

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

class ProgramResources : public ::testing::TestWithParam<Program> {};

TEST_P(ProgramResources, VersionInformationNamesTheProductAndVersion) {
    const std::wstring path = PathOf(GetParam());
    const std::vector<char> info = VersionInfoOf(path);
    ASSERT_FALSE(info.empty()) << "no version information in " << testing::PrintToString(path);

    EXPECT_EQ(VersionText(info, L"ProductName"), GetParam().product);
    EXPECT_EQ(VersionText(info, L"FileVersion"), L"22.03.00");
    EXPECT_EQ(VersionText(info, L"ProductVersion"), L"22.03.00");
    EXPECT_EQ(VersionText(info, L"OriginalFilename"), FileNameOf(GetParam()));
    EXPECT_NE(VersionText(info, L"FileDescription").value_or(L""), L"");
    EXPECT_NE(VersionText(info, L"CompanyName").value_or(L""), L"");

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(3, 22));
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(3, 22));

    // Explorer picks the block named by the translation table: Japanese, Unicode.
    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(translation[0], 0x0411);
    EXPECT_EQ(translation[1], 1200);
}

TEST_P(ProgramResources, OneManifestAskingForCommonControls6AsInvoker) {
    const std::wstring path = PathOf(GetParam());
    ResourceFile file(path);
    ASSERT_TRUE(file.IsOpen());
    // A second manifest (a toolchain's default one) would leave the loader to pick either.
    EXPECT_EQ(file.Names(kManifestType), std::vector<std::wstring>{L"#1"});
    const std::string manifest = file.Bytes(kManifestType, 1).value_or("");
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

INSTANTIATE_TEST_SUITE_P(Built, ProgramResources, ::testing::ValuesIn(EveryProgram()),
                         [](const ::testing::TestParamInfo<Program>& info) {
                             return NameOf(info.param);
                         });

class EditionIcon : public ::testing::TestWithParam<Program> {};

TEST_P(EditionIcon, FirstIconIsTheEditionsOwnInEverySize) {
    ResourceFile file(PathOf(GetParam()));
    ASSERT_TRUE(file.IsOpen());
    const std::vector<std::wstring> groups = file.Names(kGroupIconType);
    ASSERT_FALSE(groups.empty());
    EXPECT_EQ(groups.front(), L"#" + std::to_wstring(IDI_PROGRAM));

    std::set<int> edges;
    for (const IconImage& image : ImagesOf(file.Bytes(kGroupIconType, IDI_PROGRAM).value_or("")))
        edges.insert(image.edge);
    EXPECT_EQ(edges, (std::set<int>{16, 24, 32, 48, 256}));
}

INSTANTIATE_TEST_SUITE_P(Built, EditionIcon, ::testing::ValuesIn(kEditions),
                         [](const ::testing::TestParamInfo<Program>& info) {
                             return NameOf(info.param);
                         });

// Told apart at a glance: no two editions share the image of any size.
TEST(EditionIcons, DifferBetweenEditionsAtEverySize) {
    for (int edge : {16, 24, 32, 48, 256}) {
        std::set<std::string> images;
        for (const Program& program : kEditions) {
            ResourceFile file(PathOf(program));
            auto image = IconImageBytes(file, edge);
            ASSERT_TRUE(image.has_value()) << NameOf(program) << " " << edge;
            images.insert(*image);
        }
        EXPECT_EQ(images.size(), std::size(kEditions)) << edge << " pixels";
    }
}

}  // namespace
