#include "native/Failure.h"

namespace native {

Failure::Failure(std::string call, std::string path, int code)
    : Failure(std::move(call), std::move(path), code, KindOf(code)) {}

Failure::Failure(std::string call, std::string path, int code, FailureKind kind)
    : call_(std::move(call)), path_(std::move(path)), code_(code), kind_(kind) {
    summary_ = call_ + " " + path_ + ": code " + std::to_string(code_);
}

Failure Failure::Naming(std::string path) const {
    return Failure(call_, std::move(path), code_, kind_);
}

std::string Reason(const Failure& failure) {
    switch (failure.Kind()) {
        case FailureKind::kNoRoom:
            return "no room left on the disk";
        case FailureKind::kTooLarge:
            return "the file would be larger than the system or a file-size limit allows";
        case FailureKind::kAccessDenied:
            return "permission denied";
        case FailureKind::kReadOnlyDisk:
            return "the disk is read-only";
        case FailureKind::kHeldOpen:
            return "another program holds the file";
        case FailureKind::kNotFound:
            return "no such file or folder";
        case FailureKind::kExists:
            return "something already stands at this name";
        case FailureKind::kNotPlainFile:
            return "not a regular file";
        case FailureKind::kIsLink:
            return "a link stands at this name";
        case FailureKind::kNotEmpty:
            return "exists and is not an empty folder";
        case FailureKind::kDeviceError:
            return "the disk could not be read or written";
        case FailureKind::kNoMemory:
            return "not enough memory";
        case FailureKind::kBadName:
            return "the system cannot take this name";
        case FailureKind::kRunEnding:
            return "the run was interrupted";
        case FailureKind::kOther:
            break;
    }
    std::string text = SystemText(failure.Code());
    return text.empty() ? "error " + std::to_string(failure.Code()) : text;
}

std::string Sentence(const Failure& failure) {
    return failure.Path() + ": " + Reason(failure);
}

}  // namespace native
