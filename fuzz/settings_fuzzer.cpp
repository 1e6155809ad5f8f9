// The settings file: a record read, saved and read again for a user and data set, over any
// file content.
//
// Input: user ID, data ID and the file's content separated by NUL bytes; an input without
// separators is the content, read for user u1 and data set D001.

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "books/Books.h"
#include "common/Edition.h"
#include "dialog/SavedSettings.h"
#include "tests/doubles/FakePlatform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> parts = fuzz::Split(data, size, 3);
    const std::string user = parts.size() == 3 ? parts[0] : "u1";
    const std::string dataId = parts.size() == 3 ? parts[1] : "D001";

    books::BooksConfig config;
    config.settingsFolder = "C:\\set";
    books::ConfigureBooks(config);
    FakePlatform fake;
    fake.folders.insert("C:\\set\\");
    // Both key forms: with and without the user's selection number.
    for (const Edition* edition : {&kEditionKcsakura, &kEditionKcneo}) {
        const std::string file = std::string("C:\\set\\") + edition->settingsFile.fileName;
        fake.files[file] = parts.back();
        SavedSettings settings(fake, edition->settingsFile);
        settings.SetOwner(user, dataId, 2);
        SavedConditions read;
        settings.Read(&read);
        SavedConditions saved{4, 3, 2, 0, "C:\\out\\a.xml"};
        if (settings.Save(saved) != 1) fuzz::Fail("a record that could not be saved");
        SavedConditions again;
        if (settings.Read(&again) != 1) fuzz::Fail("a saved record that cannot be read");
        if (fake.files.count(file + ".kctmp") != 0) fuzz::Fail("a temporary left behind");
    }
    books::ConfigureBooks(books::BooksConfig{});
    return 0;
}
