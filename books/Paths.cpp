#include "books/Paths.h"

#include <cerrno>
#include <cstdio>
#include <random>

namespace books {

bool CreateUniqueBeside(const std::string& target, std::string_view suffix, std::string* created,
                        std::optional<RemovedOnInterrupt>* watch) {
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[24];
        std::snprintf(name, sizeof(name), ".%016llx", static_cast<unsigned long long>(random()));
        *created = target + name + std::string(suffix);
        if (watch) watch->emplace(*created);
        if (CreateExclusively(*created)) return true;
        const int error = errno;
        if (watch) watch->reset();
        errno = error;  // for the caller's message
        if (error != EEXIST) break;
    }
    return false;
}

}  // namespace books
