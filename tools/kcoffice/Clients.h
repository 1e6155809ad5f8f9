#pragma once

// The clients of an office: one folder each in the clients' folder, holding the client's books in
// one of the forms the books tool reads (a store, a books folder, a journal in the interchange
// form with its openings) and an optional client.ini:
//
//   [Client]
//   Name=さくら製作所         the name the summary shows (else the company's, else the folder's)
//   Books=帳簿\sakura.books   which books, when the folder holds several
//   User=yamada               who logs in to export, and which data set
//   Data=1
//   Kind=2                    the statement of changes in members' equity (default 1)
//   Convert=--tax-inclusive --chart 科目.csv   options of kcbooks convert for a journal
//
// Finding a client never fails: a folder whose books cannot be told is a client with a refusal.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/convert/Converter.h"
#include "tools/kcoffice/OfficeMessages.h"

namespace office {

using office_messages::Reason;

struct ClientSettings {
    std::string name;
    std::string books;  // as client.ini gives it, relative to the client's folder
    std::string user;
    int data = 0;
    int kind = 1;
    std::vector<std::string> convert;
};

struct Client {
    enum class Kind { kNone, kStore, kFolder, kJournal };
    std::string folderName;  // the folder's name: the name of its outputs
    std::string folder;
    std::string iniPath;  // empty without client.ini
    ClientSettings settings;
    Kind kind = Kind::kNone;
    std::string books;  // the store, the books folder or the journal
    convert::ConvertOptions convert;
    // The fiscal year, yyyymmdd, when the books tell it.
    std::optional<std::int32_t> periodFrom;
    std::optional<std::int32_t> periodTo;
    // Whether the books name the company; a journal whose names do not is given the client's.
    bool companyNamed = true;
    Reason refusal;  // why it cannot be exported; empty when it can be tried

    std::string DisplayName() const { return settings.name.empty() ? folderName : settings.name; }
};

// client.ini's text (as Notepad saves it in any of its encodings) read; false with `why` for a
// value it cannot use.
bool ReadClientSettings(const std::string& text, ClientSettings* settings, Reason* why);

// The words of a line of options, split where blanks stand outside double quotes.
std::vector<std::string> SplitOptions(const std::string& line);

// The client in `folder`: its settings, its books and their year.
Client FindClient(const std::string& folder);

// The folder of every client of the clients' folder (hidden ones left out), in the order of
// their names. Raises native::Failure when the folder cannot be listed.
std::vector<std::string> ClientFolders(const std::string& clientsFolder);

// Every client of the clients' folder, found.
std::vector<Client> FindClients(const std::string& clientsFolder);

// Whether the client's fiscal year ends in `yyyymm`. A client whose year cannot be told is taken
// in every month, to be seen refused.
bool EndsIn(const Client& client, std::int32_t yyyymm);

}  // namespace office
