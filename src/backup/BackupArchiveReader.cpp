#include "backup/BackupArchiveReader.h"

#include <zip.h>

#include <optional>

#include "platform/text/CaseInsensitive.h"
#include "platform/text/PathSeparators.h"

namespace quorvel::backup {
namespace {

using platform::ErrorCode;
using platform::Status;

struct ArchiveDiscard {
    void operator()(zip_t* z) const { zip_discard(z); }
};
struct FileClose {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};

}  // namespace

struct BackupArchiveReader::Impl {
    // The bytes stay where they are for as long as the archive reads from them.
    std::unique_ptr<const std::string> bytes;
    std::string password;
    std::unique_ptr<zip_t, ArchiveDiscard> archive;
    std::vector<std::string> names;
};

BackupArchiveReader::BackupArchiveReader(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
BackupArchiveReader::BackupArchiveReader(BackupArchiveReader&&) noexcept = default;
BackupArchiveReader& BackupArchiveReader::operator=(BackupArchiveReader&&) noexcept = default;
BackupArchiveReader::~BackupArchiveReader() = default;

platform::Result<BackupArchiveReader> BackupArchiveReader::fromBytes(std::string bytes,
                                                                     std::string password) {
    // libzip takes zero bytes for an empty archive; a real one has at least its end record.
    if (bytes.size() < 22)
        return Status{ErrorCode::BadFormat, "Not a readable backup archive: file is too short."};
    auto impl = std::make_unique<Impl>();
    impl->bytes = std::make_unique<const std::string>(std::move(bytes));
    impl->password = std::move(password);

    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source =
        zip_source_buffer_create(impl->bytes->data(), impl->bytes->size(), 0, &error);
    if (source) {
        impl->archive.reset(zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error));
        if (!impl->archive) zip_source_free(source);
    }
    if (!impl->archive) {
        Status s{ErrorCode::BadFormat,
                 std::string("Not a readable backup archive: ") + zip_error_strerror(&error)};
        zip_error_fini(&error);
        return s;
    }
    zip_error_fini(&error);

    const zip_int64_t count = zip_get_num_entries(impl->archive.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name =
            zip_get_name(impl->archive.get(), static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
        impl->names.emplace_back(name ? name : "");
    }
    return BackupArchiveReader(std::move(impl));
}

platform::Result<BackupArchiveReader> BackupArchiveReader::load(
    const platform::FileSystem& fileSystem, std::string_view path, std::string password) {
    auto bytes = fileSystem.readFile(path);
    if (!bytes) return bytes.status();
    return fromBytes(std::move(*bytes), std::move(password));
}

const std::vector<std::string>& BackupArchiveReader::entryNames() const {
    return impl_->names;
}

bool BackupArchiveReader::contains(std::string_view entryName) const {
    for (const auto& n : impl_->names) {
        if (platform::text::iequals(n, entryName)) return true;
    }
    return false;
}

platform::Result<std::string> BackupArchiveReader::read(std::string_view entryName) const {
    // An exact match wins over one that differs in letter case.
    std::optional<std::size_t> found;
    for (std::size_t i = 0; i < impl_->names.size(); ++i) {
        if (impl_->names[i] == entryName) {
            found = i;
            break;
        }
        if (!found && platform::text::iequals(impl_->names[i], entryName)) found = i;
    }
    if (!found)
        return Status{ErrorCode::FileNotFound,
                      "The archive holds no entry \"" + std::string(entryName) + "\"."};
    zip_t* archive = impl_->archive.get();
    const auto index = static_cast<zip_uint64_t>(*found);

    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(archive, index, 0, &st) != 0)
        return Status{ErrorCode::InvalidData, "Cannot read archive entry \"" +
                                                  std::string(entryName) +
                                                  "\": " + zip_strerror(archive)};
    if ((st.valid & ZIP_STAT_SIZE) && st.size > kMaxEntrySize)
        return Status{ErrorCode::NotEnoughMemory,
                      "Archive entry \"" + std::string(entryName) + "\" is too large."};
    // Methods libzip cannot decode are refused here: opening such an entry leaks memory in
    // some libzip versions.
    if (((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE &&
         !zip_encryption_method_supported(st.encryption_method, 0)) ||
        ((st.valid & ZIP_STAT_COMP_METHOD) && !zip_compression_method_supported(st.comp_method, 0)))
        return Status{ErrorCode::InvalidData, "Archive entry \"" + std::string(entryName) +
                                                  "\" uses a method that cannot be read."};

    std::unique_ptr<zip_file_t, FileClose> file(
        zip_fopen_index_encrypted(archive, index, 0, impl_->password.c_str()));
    if (!file)
        return Status{ErrorCode::InvalidData, "Cannot open archive entry \"" +
                                                  std::string(entryName) +
                                                  "\": " + zip_strerror(archive)};
    std::string contents;
    char chunk[65536];
    for (;;) {
        const zip_int64_t n = zip_fread(file.get(), chunk, sizeof chunk);
        if (n < 0)
            return Status{ErrorCode::InvalidData, "Cannot read archive entry \"" +
                                                      std::string(entryName) +
                                                      "\": " + zip_file_strerror(file.get())};
        if (n == 0) break;
        if (contents.size() + static_cast<std::size_t>(n) > kMaxEntrySize)
            return Status{ErrorCode::NotEnoughMemory,
                          "Archive entry \"" + std::string(entryName) + "\" is too large."};
        contents.append(chunk, static_cast<std::size_t>(n));
    }
    return contents;
}

Status BackupArchiveReader::extract(platform::FileSystem& fileSystem, std::string_view entryName,
                                    std::string_view folder) const {
    if (!isSafeEntryName(entryName))
        return {ErrorCode::AccessDenied, "Refused to extract archive entry \"" +
                                             std::string(entryName) +
                                             "\": it is not a plain file name."};
    auto contents = read(entryName);
    if (!contents) return contents.status();
    const std::string target =
        platform::text::withTrailingBackslash(folder) + std::string(entryName);
    return fileSystem.writeFile(target, *contents, platform::WriteMode::Plain);
}

}  // namespace quorvel::backup
