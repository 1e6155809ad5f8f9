#pragma once

// Windows paths inside the system, POSIX paths outside. Drive letters map to folders the way
// Wine maps them (Z: is / unless told otherwise); network shares map only when named. Texts
// inside are Shift_JIS, outside UTF-8.

#include <map>
#include <optional>
#include <string>

class DriveMap {
public:
    DriveMap();

    // Maps a drive letter (A-Z, either case) to a POSIX folder.
    void MapDrive(char letter, std::string folder);
    // Maps a network share, given as "server\share" or "server/share", to a POSIX folder.
    void MapShare(const std::string& serverShare, std::string folder);

    // The POSIX path of a Windows path; none when its drive or share is not mapped or the
    // text has no UTF-8 form. A path without a drive is relative.
    std::optional<std::string> ToPosix(const std::string& windowsPath) const;
    // The Windows path of a POSIX path (made absolute first), under the mapped folder that
    // holds it most closely; none when no drive holds it.
    std::optional<std::string> ToWindows(const std::string& posixPath) const;

    bool IsDriveMapped(char letter) const;
    bool IsShareMapped(const std::string& serverShare) const;

private:
    static std::string ShareKey(const std::string& serverShare);
    std::map<char, std::string> drives_;         // upper-case letter -> folder without trailing '/'
    std::map<std::string, std::string> shares_;  // lower-case "server\share" -> folder
};
