#include "tools/kcoffice/OfficeFiles.h"

#include "native/Failure.h"

namespace office {

native::FileState StateOf(const std::string& path) {
    native::FileState state;
    if (native::TheCalls().status(path, true, &state) != 0) return {};
    return state;
}

void MakeFolder(const std::string& path) {
    if (StateOf(path).isFolder) return;
    if (const int error = native::TheCalls().makeFolder(path); error != 0) {
        // Another program may have made it meanwhile.
        if (!StateOf(path).isFolder) throw native::Failure("mkdir", path, error);
    }
}

void WriteNew(const std::string& path, const std::string& bytes) {
    native::Calls& calls = native::TheCalls();
    native::Handle file = native::kNoHandle;
    if (const int error = calls.createNew(path, &file); error != 0)
        throw native::Failure("open", path, error);
    std::size_t done = 0;
    int error = 0;
    while (done < bytes.size() && error == 0) {
        std::size_t written = 0;
        error = calls.write(file, bytes.data() + done, bytes.size() - done, &written);
        done += written;
    }
    calls.close(file);
    if (error != 0) throw native::Failure("write", path, error);
}

}  // namespace office
