#pragma once

// One client's year-end: its books brought in as the books tool does, the year exported by the
// edition's program in batch (a process of its own, as the system's services are one per
// process), and the review page written as kcview does, against last year's export and the
// books. Everything is made in a folder beside the client's outputs that takes their place only
// when whole (native::TempFolder): a client's outputs are whole or absent, whatever interrupts.

#include <string>

#include "tools/kcoffice/Clients.h"
#include "tools/kcoffice/Record.h"

namespace office {

struct RunSettings {
    std::string monthFolder;     // OFFICE/2026-03
    std::string previousFolder;  // OFFICE/2025-03
    std::string program;         // the edition's program
    bool ledger = false;
    std::string programs;  // the hash of the programs and the run's options
};

// The client's outputs: OFFICE/2026-03/<client>/ and the files in it.
struct ClientPaths {
    std::string folder;
    std::string xml;
    std::string page;
    std::string log;
    std::string record;
    std::string previousXml;  // last year's, whether it is there or not
};
ClientPaths PathsOf(const Client& client, const RunSettings& settings);

// The hashes of what the client's run is made from.
Inputs InputsOf(const Client& client, const RunSettings& settings);

// The record of the client's last run, when it exported from the same inputs and its outputs
// stand: the client is left as it is.
std::optional<Record> Unchanged(const Client& client, const RunSettings& settings,
                                const Inputs& inputs);

// Runs the client and answers its row. A refusal of the books or the programs, or a failure of
// the system, is the row's; only the run ending on a signal raises (native::Failure, kRunEnding).
Row RunClient(const Client& client, const RunSettings& settings, const Inputs& inputs);

}  // namespace office
