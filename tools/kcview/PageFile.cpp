#include "tools/kcview/PageFile.h"

#include "native/Calls.h"
#include "native/Failure.h"
#include "native/TempFile.h"

namespace kcview {

std::string DefaultPagePath(const std::string& exportPath) {
    const std::string name = native::NameOf(exportPath);
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos) return exportPath + ".html";
    return exportPath.substr(0, exportPath.size() - name.size() + dot) + ".html";
}

// A link at the page's path is replaced by the page, as the export treats a link at its file's
// path: the rename puts the page where the link was and the file the link names is never opened,
// so a link left in a shared folder cannot steer the page over someone else's file. A link to a
// folder, a pipe or a device is refused with them.
bool IsReplaceableTarget(const std::string& path) {
    native::Calls& calls = native::TheCalls();
    native::FileState state;
    if (const int error = calls.status(path, false, &state); error != 0)
        // Nothing there, or creating the page says why; a device answers as no plain file.
        return native::KindOf(error) != native::FailureKind::kNotPlainFile;
    if (!state.isLink) return state.isPlainFile;
    return calls.status(path, true, &state) != 0 || state.isPlainFile;
}

bool WritePage(const std::string& path, const PageMaker& make, std::string* reason) {
    native::TempFile page(path);
    const auto out = [&page](std::string_view piece) {
        page.Write(piece);
        return true;
    };
    if (!make(out, reason)) return false;  // the temporary goes with `page`
    page.Keep();
    return true;
}

}  // namespace kcview
