// kcview: the review page and the checks of an exported file, before it goes to the tax
// application.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "tools/view/Checks.h"
#include "tools/view/Comparison.h"
#include "tools/view/ExportReader.h"
#include "tools/view/Page.h"

namespace {

int Usage() {
    std::cerr << "usage: kcview EXPORT.xml [-o REVIEW.html] [--check] [--previous LAST.xml "
                 "[--flag-change PERCENT%,YEN]]\n"
                 "  writes the review page (by default EXPORT.html beside the file);\n"
                 "  --check prints the failed checks and exits 1 when any fails, 0 when all "
                 "hold;\n"
                 "  --previous shows last year's export beside this one and marks the changes of "
                 "at least\n"
                 "  PERCENT per cent and YEN yen (by default 30%,1000000)\n";
    return 2;
}

std::string DefaultPagePath(const std::string& exportPath) {
    const std::size_t slash = exportPath.find_last_of('/');
    const std::size_t dot = exportPath.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        return exportPath.substr(0, dot) + ".html";
    return exportPath + ".html";
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

// A link at the page's path is replaced by the page, as the export treats a link at its file's
// path: the rename puts the page where the link was and the file the link names is never opened,
// so a link left in a shared folder cannot steer the page over someone else's file. A link to a
// folder, a pipe or a device is refused with them.
bool IsReplaceableTarget(const std::string& path) {
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0) return true;  // nothing there, or creating says why
    if (!S_ISLNK(status.st_mode)) return S_ISREG(status.st_mode);
    return stat(path.c_str(), &status) != 0 || S_ISREG(status.st_mode);
}

// Created exclusively, so neither a file nor a link already at the name is ever written.
int CreateTemporaryBeside(const std::string& path, std::string* name) {
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(random()));
        *name = path + suffix;
        const int fd =
            open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool WriteAll(int fd, std::string_view text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The temporary being written, for an interrupt: Ctrl+C or a kill while the page is written
// leaves nothing beside the target.
const char* volatile interruptedTemporary = nullptr;

void RemoveTemporaryAndStop(int signal) {
    if (const char* path = interruptedTemporary) unlink(path);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

class TemporaryRemovedOnInterrupt {
public:
    explicit TemporaryRemovedOnInterrupt(const std::string& path) {
        interruptedTemporary = path.c_str();
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, RemoveTemporaryAndStop);
    }
    ~TemporaryRemovedOnInterrupt() {
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, SIG_DFL);
        interruptedTemporary = nullptr;
    }
    TemporaryRemovedOnInterrupt(const TemporaryRemovedOnInterrupt&) = delete;
    TemporaryRemovedOnInterrupt& operator=(const TemporaryRemovedOnInterrupt&) = delete;
};

// The page takes the place of the previous one only when it is whole on the disk; until then
// the previous page stays as it was. The page is written in pieces as it is made.
bool WritePage(const std::string& path, const std::string& exportPath,
               const kcview::ExportDocument& document,
               const std::vector<kcview::CheckOutcome>& outcomes,
               const kcview::Comparison* comparison) {
    std::string temporary;
    const int fd = CreateTemporaryBeside(path, &temporary);
    int error = errno;
    std::optional<TemporaryRemovedOnInterrupt> removedOnInterrupt;
    if (fd >= 0) removedOnInterrupt.emplace(temporary);
    std::string reason;
    bool written = fd >= 0 && kcview::WritePage(
                                  document, outcomes, comparison,
                                  [&](const kcview::LedgerAccountSink& sink) {
                                      return kcview::ReadExportFile(exportPath, sink);
                                  },
                                  [&](std::string_view piece) {
                                      if (WriteAll(fd, piece)) return true;
                                      error = errno;
                                      return false;
                                  },
                                  &reason);
    if (written && fsync(fd) != 0) {
        written = false;
        error = errno;
    }
    if (fd >= 0 && close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && rename(temporary.c_str(), path.c_str()) != 0) {
        written = false;
        error = errno;
    }
    if (!written) {
        if (fd >= 0) unlink(temporary.c_str());
        std::cerr << "kcview: cannot write " << path << ": "
                  << (reason.empty() ? std::strerror(error) : reason) << "\n";
    }
    return written;
}

// The file read whole, or nothing when it is refused (the reason is on the error output).
std::optional<kcview::ExportDocument> Read(const std::string& path) {
    kcview::ReadResult read = kcview::ReadExportFile(path);
    if (read.ok) return std::move(read.document);
    std::cerr << "kcview: " << path;
    if (read.line > 0) std::cerr << ", line " << read.line;
    std::cerr << ": " << read.reason << "\n";
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    std::string exportPath;
    std::string pagePath;
    std::string previousPath;
    std::optional<kcview::ChangeThreshold> threshold;
    bool check = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--check") {
            check = true;
        } else if (arg == "-o" && i + 1 < argc) {
            pagePath = argv[++i];
        } else if (arg == "--previous" && i + 1 < argc) {
            previousPath = argv[++i];
        } else if (arg == "--flag-change" && i + 1 < argc) {
            threshold = kcview::ParseChangeThreshold(argv[++i]);
            if (!threshold) {
                std::cerr << "kcview: --flag-change " << argv[i]
                          << ": give a per cent and an amount in yen, such as 20%,500000\n";
                return Usage();
            }
        } else if (arg.empty() || arg[0] == '-' || !exportPath.empty()) {
            return Usage();
        } else {
            exportPath = arg;
        }
    }
    if (exportPath.empty()) return Usage();
    if (threshold && previousPath.empty()) {
        std::cerr << "kcview: --flag-change marks changes from last year: give --previous too\n";
        return Usage();
    }

    const std::optional<kcview::ExportDocument> document = Read(exportPath);
    if (!document) return 2;
    std::optional<kcview::ExportDocument> previous;
    if (!previousPath.empty()) {
        previous = Read(previousPath);
        if (!previous) return 2;
        const std::string problem = kcview::PrecedingYearProblem(*document, *previous);
        if (!problem.empty()) {
            std::cerr << "kcview: " << previousPath << ": " << problem << "\n";
            return 2;
        }
    }

    const std::vector<kcview::CheckOutcome> outcomes =
        kcview::RunChecks(*document, previous ? &*previous : nullptr);
    std::size_t failed = 0;
    std::size_t notApplicable = 0;
    for (const kcview::CheckOutcome& outcome : outcomes) {
        if (!outcome.notApplicable.empty()) {
            ++notApplicable;
            if (check)
                std::cout << outcome.check->name << ": 対象外: " << outcome.notApplicable << "\n";
        }
        if (outcome.failures.empty()) continue;
        ++failed;
        if (!check) continue;
        for (const kcview::Disagreement& failure : outcome.failures) {
            std::cout << outcome.check->name << ": " << kcview::DescribeSide(failure.left) << " ≠ "
                      << kcview::DescribeSide(failure.right) << "\n";
        }
    }
    std::cout.flush();

    if (!check || !pagePath.empty()) {
        if (pagePath.empty()) pagePath = DefaultPagePath(exportPath);
        if (SameFile(pagePath, exportPath)) {
            std::cerr << "kcview: " << pagePath
                      << " is the exported file itself; give -o another path\n";
            return 2;
        }
        if (!IsReplaceableTarget(pagePath)) {
            std::cerr << "kcview: " << pagePath
                      << " is not a regular file (a folder, a pipe or a device); give -o another "
                         "path\n";
            return 2;
        }
        std::optional<kcview::Comparison> comparison;
        if (previous)
            comparison = kcview::CompareYears(*document, *previous,
                                              threshold.value_or(kcview::ChangeThreshold{}));
        if (!WritePage(pagePath, exportPath, *document, outcomes,
                       comparison ? &*comparison : nullptr))
            return 2;
        std::cerr << "kcview: wrote " << pagePath << "\n";
    }
    if (failed == 0 && notApplicable > 0) {
        std::cerr << "kcview: " << outcomes.size() - notApplicable << " of " << outcomes.size()
                  << " checks hold, " << notApplicable << " not applicable\n";
    } else if (failed == 0) {
        std::cerr << "kcview: all " << outcomes.size() << " checks hold\n";
    } else {
        std::cerr << "kcview: " << failed << " of " << outcomes.size() << " checks failed\n";
    }
    return check && failed > 0 ? 1 : 0;
}
