#include "pdf/wide_file_stream.h"

#include "pdf/pdf_error.h"
#include "platform/file_stream.h"

namespace foldant {

namespace {

struct OpenMode {
    platform::FileAccess access;
    platform::FileShare share;
    platform::FileCreation creation;
};

OpenMode DecodeMode(uint32_t mode) {
    using platform::FileAccess;
    using platform::FileCreation;
    using platform::FileShare;
    if (mode == TWideFileStream::kModeCreate) {
        return {FileAccess::ReadWrite, FileShare::None, FileCreation::CreateAlways};
    }
    if ((mode & ~0xF3u) != 0) {
        throw PdfError();
    }
    OpenMode result{FileAccess::Read, FileShare::None, FileCreation::OpenExisting};
    switch (mode & 3) {
        case 0:
            result.access = FileAccess::Read;
            break;
        case 1:
            result.access = FileAccess::Write;
            break;
        case 2:
            result.access = FileAccess::ReadWrite;
            break;
        default:
            throw PdfError();
    }
    switch ((mode >> 4) & 15) {
        case 0:
        case 1:
            result.share = FileShare::None;
            break;
        case 2:
            result.share = FileShare::Read;
            break;
        case 3:
            result.share = FileShare::Write;
            break;
        case 4:
            result.share = FileShare::ReadWrite;
            break;
        default:
            throw PdfError();
    }
    return result;
}

}  // namespace

TWideFileStream::TWideFileStream(const std::u16string& path, uint32_t mode) {
    const OpenMode open = DecodeMode(mode);
    try {
        file_ = platform::FileStream::Open(path, open.access, open.share, open.creation);
    } catch (const std::exception&) {
        throw PdfError();
    }
}

TWideFileStream::~TWideFileStream() = default;

int64_t TWideFileStream::Read(void* buffer, int64_t count) {
    return file_->Read(buffer, count);
}

int64_t TWideFileStream::Write(const void* buffer, int64_t count) {
    return file_->Write(buffer, count);
}

int64_t TWideFileStream::Seek(int64_t position) {
    return file_->Seek(position, platform::SeekOrigin::Begin);
}

int64_t TWideFileStream::Position() {
    return file_->Position();
}

int64_t TWideFileStream::Size() {
    return file_->Size();
}

bool TWideFileStream::SetSize(int64_t size) {
    return file_->SetSize(size);
}

bool TWideFileStream::Close() {
    return file_->Close();
}

}  // namespace foldant
