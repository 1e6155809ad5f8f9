#include "tools/kcoffice/Clients.h"

#include <algorithm>
#include <charconv>

#include "books/Paths.h"
#include "host/Profile.h"
#include "native/Calls.h"
#include "native/Failure.h"
#include "tools/kcbooks/FoundBooks.h"
#include "tools/kcbooks/Kcbooks.h"
#include "tools/kcbooks/Show.h"
#include "tools/kcoffice/OfficeFiles.h"
#include "tools/kcoffice/OfficeMessages.h"

namespace office {
namespace {

using office_messages::Id;
using office_messages::Told;

constexpr std::uint64_t kIniLimit = 64 * 1024;
constexpr char kIniName[] = "client.ini";
// Books are read whatever their size.
constexpr std::uint64_t kNoLimit = std::uint64_t{1} << 62;

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    if (const int error = native::TheCalls().listFolder(folder, &names); error != 0)
        throw native::Failure("list", folder, error);
    std::sort(names.begin(), names.end());
    return names;
}

// A store is an SQLite database: its first bytes say so.
bool IsStoreFile(const std::string& path) {
    books::InputFile file;
    if (file.Open(path, kNoLimit) != books::ReadOutcome::kRead) return false;
    char head[16] = {};
    std::size_t count = 0;
    static constexpr char kMagic[] = "SQLite format 3";
    return file.Read(head, sizeof(head), &count) == books::ReadOutcome::kRead &&
           count == sizeof(head) && std::equal(kMagic, kMagic + sizeof(kMagic), head);
}

bool EndsWithCsv(const std::string& name) {
    if (name.size() < 4) return false;
    std::string end = name.substr(name.size() - 4);
    std::transform(end.begin(), end.end(), end.begin(),
                   [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return end == ".csv";
}

struct Candidate {
    Client::Kind kind;
    std::string path;
    kcbooks::FoundBooks found;
};

// What one path holds, when it is books of a form the books tool reads.
std::optional<Candidate> BooksAt(const std::string& path) {
    const native::FileState state = StateOf(path);
    if (state.isPlainFile && IsStoreFile(path)) return Candidate{Client::Kind::kStore, path, {}};
    if (!state.isFolder && !(state.isPlainFile && EndsWithCsv(path))) return std::nullopt;
    kcbooks::FoundBooks found = kcbooks::FindBooks(path);
    if (found.kind == kcbooks::FoundBooks::Kind::kFolder)
        return Candidate{Client::Kind::kFolder, path, found};
    if (found.kind == kcbooks::FoundBooks::Kind::kJournal)
        return Candidate{Client::Kind::kJournal, path, found};
    return std::nullopt;
}

// The books in the client's folder: the folder itself when it is a books folder, else the one
// store, books folder or journal in it. A journal's openings and a chart a Convert option names
// are read with it, not as books of their own.
std::vector<Candidate> BooksIn(const Client& client) {
    if (std::optional<Candidate> itself = BooksAt(client.folder);
        itself && itself->kind == Client::Kind::kFolder)
        return {*itself};
    std::vector<Candidate> found;
    for (const std::string& name : Names(client.folder)) {
        if (name == kIniName || name.empty() || name[0] == '.') continue;
        if (std::optional<Candidate> books = BooksAt(native::Joined(client.folder, name)))
            found.push_back(*books);
    }
    // The companions of the journals found are not books of their own.
    std::vector<std::string> companions;
    for (const Candidate& candidate : found) {
        if (!candidate.found.openings.empty()) companions.push_back(candidate.found.openings);
    }
    std::erase_if(found, [&](const Candidate& candidate) {
        return std::find(companions.begin(), companions.end(), candidate.path) != companions.end();
    });
    return found;
}

std::optional<int> SmallNumber(const std::string& text, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

void TakeBooks(Client& client, const Candidate& books) {
    client.kind = books.kind;
    client.books = books.path;
    if (books.kind == Client::Kind::kStore) {
        books::BooksSummary summary;
        std::string error;
        if (!books::SummarizeStore(books.path, &summary, &error)) {
            client.refusal = Told(Id::kYearUnknown, {{"reason", error}});
            return;
        }
        client.periodFrom = summary.periodFrom;
        client.periodTo = summary.periodTo;
        return;
    }
    client.periodFrom = books.found.periodFrom;
    client.periodTo = books.found.periodTo;
    if (books.kind != Client::Kind::kJournal) return;
    // The journal's conversion: what the books tool would infer, then what client.ini says.
    convert::ConvertOptions& options = client.convert;
    options.journalPath = books.path;
    options.openingsPath = books.found.openings;
    std::vector<std::string> positional;
    if (!kcbooks::ParseConvertOptions(client.settings.convert, &options, &positional) ||
        !positional.empty() || !options.outDir.empty()) {
        client.refusal =
            Told(Id::kBadIniValue, {{"key", "Convert"},
                                    {"value", "…"},
                                    {"why", office_messages::Say(Id::kBadConvertOptions)}});
        return;
    }
    if (options.company.empty()) {
        options.company = books.found.company;
        // No company in the journal's names: the client's own name stands in for it.
        client.companyNamed = !options.company.empty();
        if (!client.companyNamed) options.company = client.DisplayName();
    }
    // A chart or openings named in client.ini are the client's files, wherever kcoffice runs.
    const auto own = [&](std::string& path) {
        if (!path.empty() && !books::PathFromUtf8(path).is_absolute())
            path = native::Joined(client.folder, path);
    };
    own(options.chartPath);
    if (options.openingsPath != books.found.openings) own(options.openingsPath);
    if (options.periodFrom) {
        client.periodFrom = options.periodFrom;
        client.periodTo =
            options.periodTo ? *options.periodTo : convert::YearEndFrom(*options.periodFrom);
    }
}

}  // namespace

std::vector<std::string> SplitOptions(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false;
    bool inWord = false;
    for (const char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word.push_back(c);
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

bool ReadClientSettings(const std::string& text, ClientSettings* settings, Reason* why) {
    const auto value = [&](const char* key) {
        return FindProfileValue(text, "Client", key).value_or("");
    };
    settings->name = value("Name");
    settings->books = value("Books");
    settings->user = value("User");
    settings->convert = SplitOptions(value("Convert"));
    for (const auto& [key, low, high, out] : {std::tuple{"Data", 1, 9999, &settings->data},
                                              std::tuple{"Kind", 1, 2, &settings->kind}}) {
        const std::string given = value(key);
        if (given.empty()) continue;
        const std::optional<int> number = SmallNumber(given, low, high);
        if (!number) {
            *why =
                Told(Id::kBadIniValue, {{"key", key},
                                        {"value", given},
                                        {"why", std::to_string(low) + "–" + std::to_string(high)}});
            return false;
        }
        *out = *number;
    }
    return true;
}

Client FindClient(const std::string& folder) {
    Client client;
    client.folder = folder;
    client.folderName = native::NameOf(native::WithoutTrailingSeparators(folder));
    const std::string ini = native::Joined(folder, kIniName);
    if (StateOf(ini).isPlainFile) {
        client.iniPath = ini;
        std::string bytes;
        const std::optional<std::string> text =
            books::ReadRegularFile(ini, kIniLimit, &bytes) == books::ReadOutcome::kRead
                ? ProfileTextAsUtf8(bytes)
                : std::nullopt;
        if (!text) {
            client.refusal =
                Told(Id::kBadIniValue, {{"key", "client.ini"}, {"value", ""}, {"why", "?"}});
            return client;
        }
        if (!ReadClientSettings(*text, &client.settings, &client.refusal)) return client;
    }
    std::vector<Candidate> books;
    if (!client.settings.books.empty()) {
        if (std::optional<Candidate> named = BooksAt(native::Joined(folder, client.settings.books)))
            books.push_back(*named);
    } else {
        books = BooksIn(client);
    }
    if (books.empty()) {
        client.refusal = Told(Id::kNoBooks, {});
    } else if (books.size() > 1) {
        client.refusal = Told(Id::kSeveralBooks, {{"first", native::NameOf(books[0].path)},
                                                  {"second", native::NameOf(books[1].path)}});
    } else {
        TakeBooks(client, books.front());
    }
    if (client.refusal.Empty() && !client.periodTo)
        client.refusal = Told(Id::kYearUnknown, {{"reason", native::NameOf(client.books)}});
    return client;
}

std::vector<std::string> ClientFolders(const std::string& clientsFolder) {
    std::vector<std::string> folders;
    for (const std::string& name : Names(clientsFolder)) {
        if (name.empty() || name[0] == '.') continue;
        const std::string folder = native::Joined(clientsFolder, name);
        if (StateOf(folder).isFolder) folders.push_back(folder);
    }
    return folders;
}

std::vector<Client> FindClients(const std::string& clientsFolder) {
    std::vector<Client> clients;
    for (const std::string& folder : ClientFolders(clientsFolder))
        clients.push_back(FindClient(folder));
    return clients;
}

bool EndsIn(const Client& client, std::int32_t yyyymm) {
    if (!client.periodTo) return true;
    return *client.periodTo / 100 == yyyymm;
}

}  // namespace office
