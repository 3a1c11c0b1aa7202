#include "util/better_file_stream.h"

#include "platform/file_system.h"
#include "platform/os_error.h"
#include "util/file_errors.h"
#include "util/file_utils.h"

namespace foldant {

TBetterFileStream::TBetterFileStream(const std::string& fileName, bool clearAttributes,
                                     Disposition disposition)
    : fileName_(fileName) {
    if (clearAttributes && PathIsFile(fileName)) {
        ClearReadOnly();
    }
    auto creation = disposition == Disposition::OpenOrCreate ? platform::FileCreation::OpenAlways
                                                             : platform::FileCreation::CreateAlways;
    try {
        stream_ = platform::FileStream::Open(fileName, platform::FileAccess::ReadWrite,
                                             platform::FileShare::ReadWrite, creation,
                                             platform::OthersLocks::Respect);
    } catch (const platform::OsError&) {
        // The destructor does not run for a constructor that throws, so the mark goes back here.
        RestoreAttributes();
        throw FileCreateError("Datei " + fileName + " kann nicht erstellt werden");
    }
}

TBetterFileStream::~TBetterFileStream() {
    stream_.reset();
    RestoreAttributes();
}

void TBetterFileStream::WriteAll(const void* buffer, int64_t count) {
    if (Write(buffer, count) != count) {
        throw FileWriteError("Stream write error");
    }
}

void TBetterFileStream::ClearReadOnly() {
    platform::AttributeQuery query = platform::ReadFileAttributes(fileName_);
    if (query.error != platform::ErrorClass::None) {
        return;
    }
    wasReadOnly_ = query.attributes.readOnly;
    if (wasReadOnly_ && platform::SetReadOnly(fileName_, false)) {
        attributesChanged_ = true;
    }
}

void TBetterFileStream::RestoreAttributes() {
    if (attributesChanged_) {
        platform::SetReadOnly(fileName_, wasReadOnly_);
        attributesChanged_ = false;
    }
}

}  // namespace foldant
