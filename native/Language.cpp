#include "native/Language.h"

#include <atomic>

namespace native {
namespace {

// -1 while no override stands, else the overriding language.
std::atomic<int>& Overriding() {
    static std::atomic<int> language{-1};
    return language;
}

}  // namespace

Language UserLanguage() {
    const int overriding = Overriding().load();
    if (overriding >= 0) return static_cast<Language>(overriding);
    static const Language system = SystemLanguage();
    return system;
}

LanguageOverride::LanguageOverride(Language language) {
    const int before = Overriding().exchange(static_cast<int>(language));
    if (before >= 0) saved_ = static_cast<Language>(before);
}

LanguageOverride::~LanguageOverride() {
    Overriding().store(saved_ ? static_cast<int>(*saved_) : -1);
}

}  // namespace native
