#include "host/HostOptions.h"

#include <cctype>
#include <cstdlib>
#include <string_view>

namespace {

bool ParseInt(std::string_view text, int min, int max, int* out) {
    if (text.empty() || text.size() > 9) return false;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value < min || value > max) return false;
    *out = value;
    return true;
}

}  // namespace

const char* HostUsage() {
    return "usage: PROGRAM [options] [--] [CALLER-LINE]\n"
           "  CALLER-LINE            window,message,wParam,output path (the caller's command "
           "line)\n"
           "  --books STORE          the books store (else $KC_BOOKS)\n"
           "  --user ID, --data NO   who logs in and which data set is selected\n"
           "  --ui tty|batch         the terminal dialog, or none (default: batch without a "
           "terminal)\n"
           "  --start-month N, --end-month N, --kind 1|2, --ledger, --no-ledger, --out PATH\n"
           "                         batch: what is entered in the dialog before 実行 is pressed\n"
           "  --yes, --no            batch: the answer to every question (default --no)\n"
           "  --output-folder DIR    the default output folder\n"
           "  --settings-folder DIR  the folder of the settings file\n"
           "  --drive X=DIR          map drive letter X to DIR (Z: is / unless mapped)\n"
           "  --share SERVER/SHARE=DIR  map the network share \\\\SERVER\\SHARE to DIR\n";
}

bool ParseHostOptions(int argc, const char* const* argv, HostOptions* options, std::string* error) {
    std::vector<std::string> rest;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            optionsEnded = true;
            if (rest.empty()) options->callerLineIndex = i;
            rest.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        auto value = [&](std::string* out) {
            if (i + 1 >= argc) {
                *error = arg + " needs a value";
                return false;
            }
            *out = argv[++i];
            return true;
        };
        auto number = [&](int min, int max, int* out) {
            std::string text;
            if (!value(&text)) return false;
            if (!ParseInt(text, min, max, out)) {
                *error = arg + ": not a number from " + std::to_string(min) + " to " +
                         std::to_string(max) + ": " + text;
                return false;
            }
            return true;
        };
        std::string text;
        int n = 0;
        if (arg == "--help" || arg == "-h") {
            options->help = true;
        } else if (arg == "--books") {
            if (!value(&options->books)) return false;
        } else if (arg == "--user") {
            if (!value(&options->user)) return false;
        } else if (arg == "--data") {
            if (!number(1, 999999999, &options->dataNo)) return false;
        } else if (arg == "--ui") {
            if (!value(&text)) return false;
            if (text == "tty") {
                options->ui = HostOptions::Ui::kTty;
            } else if (text == "batch") {
                options->ui = HostOptions::Ui::kBatch;
            } else {
                *error = "--ui takes tty or batch, not " + text;
                return false;
            }
        } else if (arg == "--start-month") {
            if (!number(0, 99, &n)) return false;
            options->startMonth = n;
        } else if (arg == "--end-month") {
            if (!number(0, 99, &n)) return false;
            options->endMonth = n;
        } else if (arg == "--kind") {
            if (!number(1, 2, &n)) return false;
            options->kind = n;
        } else if (arg == "--ledger") {
            options->ledger = true;
        } else if (arg == "--no-ledger") {
            options->ledger = false;
        } else if (arg == "--out") {
            if (!value(&text)) return false;
            options->out = text;
        } else if (arg == "--yes") {
            options->answerYes = true;
        } else if (arg == "--no") {
            options->answerYes = false;
        } else if (arg == "--output-folder") {
            if (!value(&options->outputFolder)) return false;
        } else if (arg == "--settings-folder") {
            if (!value(&options->settingsFolder)) return false;
        } else if (arg == "--drive") {
            if (!value(&text)) return false;
            if (text.size() < 3 || !std::isalpha(static_cast<unsigned char>(text[0])) ||
                text[1] != '=') {
                *error = "--drive takes X=DIR, not " + text;
                return false;
            }
            options->drives.emplace_back(text[0], text.substr(2));
        } else if (arg == "--share") {
            if (!value(&text)) return false;
            std::size_t equals = text.find('=');
            if (equals == std::string::npos || equals == 0 || equals + 1 == text.size()) {
                *error = "--share takes SERVER/SHARE=DIR, not " + text;
                return false;
            }
            options->shares.emplace_back(text.substr(0, equals), text.substr(equals + 1));
        } else {
            *error = "unknown option " + arg;
            return false;
        }
    }
    if (options->books.empty()) {
        const char* store = std::getenv("KC_BOOKS");
        if (store) options->books = store;
    }
    // The caller's line is one text, as Windows hands a program its command line.
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (i) options->callerLine += ' ';
        options->callerLine += rest[i];
    }
    return true;
}
