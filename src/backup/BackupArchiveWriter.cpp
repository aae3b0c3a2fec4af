#include "backup/BackupArchiveWriter.h"

#include <zip.h>

#include <memory>

#include "platform/text/CaseInsensitive.h"

namespace quorvel::backup {
namespace {

using platform::ErrorCode;
using platform::Status;

struct SourceFree {
    void operator()(zip_source_t* s) const { zip_source_free(s); }
};
using SourcePtr = std::unique_ptr<zip_source_t, SourceFree>;

struct ArchiveDiscard {
    void operator()(zip_t* z) const { zip_discard(z); }
};
using ArchivePtr = std::unique_ptr<zip_t, ArchiveDiscard>;

Status zipFailure(const std::string& what, zip_error_t* error) {
    return {ErrorCode::InvalidData, what + ": " + zip_error_strerror(error)};
}

// The end-of-central-directory record alone: libzip writes nothing for an archive without
// entries, but an empty archive is still a valid file.
std::string emptyArchive() {
    return std::string("PK\x05\x06", 4) + std::string(18, '\0');
}

// Reads everything a buffer source holds.
platform::Result<std::string> drain(zip_source_t* source) {
    if (zip_source_open(source) < 0)
        return zipFailure("Cannot read the built archive", zip_source_error(source));
    std::string bytes;
    char chunk[65536];
    for (;;) {
        const zip_int64_t n = zip_source_read(source, chunk, sizeof chunk);
        if (n < 0) {
            Status s = zipFailure("Cannot read the built archive", zip_source_error(source));
            zip_source_close(source);
            return s;
        }
        if (n == 0) break;
        bytes.append(chunk, static_cast<std::size_t>(n));
    }
    zip_source_close(source);
    return bytes;
}

}  // namespace

Status BackupArchiveWriter::add(std::string_view entryName, std::string contents) {
    if (!isSafeEntryName(entryName))
        return {ErrorCode::InvalidParameter,
                "Archive entry name \"" + std::string(entryName) + "\" is not a plain file name."};
    if (contents.size() > kMaxEntrySize)
        return {ErrorCode::NotEnoughMemory,
                "\"" + std::string(entryName) + "\" is too large for a backup archive."};
    for (const auto& e : entries_) {
        if (platform::text::iequals(e.name, entryName))
            return {ErrorCode::AlreadyExists,
                    "The archive already holds an entry \"" + std::string(entryName) + "\"."};
    }
    entries_.push_back({std::string(entryName), std::move(contents)});
    return Status::ok();
}

platform::Result<std::string> BackupArchiveWriter::build() const {
    if (entries_.empty()) return emptyArchive();

    zip_error_t error;
    zip_error_init(&error);
    SourcePtr buffer(zip_source_buffer_create(nullptr, 0, 0, &error));
    if (!buffer) {
        Status s = zipFailure("Cannot create an archive in memory", &error);
        zip_error_fini(&error);
        return s;
    }
    ArchivePtr archive(zip_open_from_source(buffer.get(), ZIP_TRUNCATE, &error));
    if (!archive) {
        Status s = zipFailure("Cannot create an archive in memory", &error);
        zip_error_fini(&error);
        return s;
    }
    zip_error_fini(&error);
    // The archive now owns one reference to the buffer; keep ours to read the result.
    zip_source_keep(buffer.get());

    for (const auto& e : entries_) {
        zip_source_t* data =
            zip_source_buffer(archive.get(), e.contents.data(), e.contents.size(), 0);
        if (!data) return zipFailure("Cannot add " + e.name, zip_get_error(archive.get()));
        const zip_int64_t index =
            zip_file_add(archive.get(), e.name.c_str(), data, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(data);
            return zipFailure("Cannot add " + e.name, zip_get_error(archive.get()));
        }
        const auto i = static_cast<zip_uint64_t>(index);
        if (zip_set_file_compression(archive.get(), i, ZIP_CM_DEFLATE, 0) < 0 ||
            zip_file_set_encryption(archive.get(), i, ZIP_EM_TRAD_PKWARE, password_.c_str()) < 0)
            return zipFailure("Cannot encrypt " + e.name, zip_get_error(archive.get()));
    }
    if (zip_close(archive.get()) < 0)
        return zipFailure("Cannot write the archive", zip_get_error(archive.get()));
    archive.release();  // zip_close freed it
    return drain(buffer.get());
}

Status BackupArchiveWriter::save(platform::FileSystem& fileSystem, std::string_view path) const {
    auto bytes = build();
    if (!bytes) return bytes.status();
    return fileSystem.writeFile(path, *bytes, platform::WriteMode::Durable);
}

}  // namespace quorvel::backup
