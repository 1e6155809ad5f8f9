#include "tools/kcoffice/WindowDefaults.h"

#include "common/Messages.h"
#include "native/Calls.h"

namespace office {

std::int32_t LastEndedMonth(std::int32_t today) {
    const std::int32_t year = today / 10000;
    const std::int32_t month = today / 100 % 100;
    return month == 1 ? (year - 1) * 100 + 12 : year * 100 + month - 1;
}

std::string DefaultOfficeFolder(const std::string& clients) {
    // The outputs are the statements: the folder bears their name, the caption of the programs.
    const std::string folder = native::WithoutTrailingSeparators(clients);
    if (!native::NameOf(folder).empty()) return native::FolderOf(folder) + KC_CAPTION;
    // The root ("/") or a drive's ("C:").
    const bool separated = !folder.empty() && (folder.back() == '/' || folder.back() == '\\');
    return separated ? folder + KC_CAPTION : native::Joined(folder, KC_CAPTION);
}

}  // namespace office
