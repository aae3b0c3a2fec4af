#include "core/formats/CompressedData.h"

#include <zlib.h>

#include <algorithm>
#include <limits>
#include <new>

#include "core/formats/HostFile.h"

namespace quorvel::core {

using platform::ErrorCode;
using platform::Result;
using platform::Status;

namespace {

Status damaged(std::string_view why) {
    return {ErrorCode::InvalidData, "Damaged data container: " + std::string(why)};
}

// Ends the zlib stream on every path out.
class Inflater {
public:
    Inflater() { ok_ = inflateInit(&stream_) == Z_OK; }
    ~Inflater() {
        if (ok_) inflateEnd(&stream_);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
    bool ok() const { return ok_; }
    z_stream& stream() { return stream_; }

private:
    z_stream stream_{};
    bool ok_ = false;
};

}  // namespace

Result<std::string> InflateContainer(std::string_view containerBytes, std::size_t maxPayload) {
    if (containerBytes.size() < kContainerMarker.size()) return damaged("shorter than its header");
    std::string_view compressed = containerBytes.substr(kContainerMarker.size());
    if (compressed.empty()) return damaged("no compressed stream");

    Inflater inflater;
    if (!inflater.ok()) return Status{ErrorCode::NotEnoughMemory, "Cannot start decompression"};
    z_stream& z = inflater.stream();

    std::string payload;
    char buffer[64 * 1024];
    int rc = Z_OK;
    while (rc != Z_STREAM_END) {
        if (z.avail_in == 0 && !compressed.empty()) {
            // zlib counts in uInt; feed large inputs in pieces.
            const std::size_t piece =
                std::min<std::size_t>(compressed.size(), std::numeric_limits<uInt>::max());
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
            z.avail_in = static_cast<uInt>(piece);
            compressed.remove_prefix(piece);
        }
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        rc = inflate(&z, Z_NO_FLUSH);
        if (rc == Z_NEED_DICT) return damaged("needs a preset dictionary");
        if (rc == Z_DATA_ERROR) return damaged(z.msg ? z.msg : "bad compressed data");
        if (rc == Z_MEM_ERROR) return Status{ErrorCode::NotEnoughMemory, "Out of memory"};
        const std::size_t produced = sizeof buffer - z.avail_out;
        if (payload.size() + produced > maxPayload) return damaged("payload too large");
        payload.append(buffer, produced);
        // Without progress inflate needs more input; none left means the stream is cut short.
        if (rc == Z_BUF_ERROR || (rc == Z_OK && produced == 0 && z.avail_in == 0)) {
            if (z.avail_in != 0) return damaged("bad compressed data");
            if (compressed.empty()) return damaged("truncated stream");
        }
    }
    if (z.avail_in != 0 || !compressed.empty()) return damaged("junk after the compressed stream");
    return payload;
}

std::vector<std::string> SplitPayloadLines(std::string_view payload) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < payload.size(); ++i) {
        if (payload[i] != '\r' && payload[i] != '\n') continue;
        lines.emplace_back(payload.substr(start, i - start));
        if (payload[i] == '\r' && i + 1 < payload.size() && payload[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < payload.size()) lines.emplace_back(payload.substr(start));
    return lines;
}

CompressedLines DecodeCompressedLines(std::string_view containerBytes) {
    Result<std::string> payload = InflateContainer(containerBytes);
    if (!payload) return {{}, payload.status()};
    return {SplitPayloadLines(*payload), Status::ok()};
}

CompressedLines LoadCompressedLines(const std::filesystem::path& file) {
    Result<std::string> bytes = ReadHostFile(file);
    if (!bytes) return {{}, bytes.status()};
    CompressedLines result = DecodeCompressedLines(*bytes);
    if (!result.status) {
        result.status = {result.status.code(), file.string() + ": " + result.status.message()};
    }
    return result;
}

Status DecompressFile(const std::filesystem::path& src, const std::filesystem::path& dst) {
    Result<std::string> bytes = ReadHostFile(src);
    if (!bytes) return bytes.status();
    Result<std::string> payload = InflateContainer(*bytes);
    if (!payload)
        return {payload.status().code(), src.string() + ": " + payload.status().message()};
    return WriteHostFileAtomic(dst, *payload);
}

std::string CompressPayload(std::string_view payload) {
    std::string container(kContainerMarker.begin(), kContainerMarker.end());
    uLongf bound = compressBound(static_cast<uLong>(payload.size()));
    std::string compressed(bound, '\0');
    const int rc = compress2(reinterpret_cast<Bytef*>(compressed.data()), &bound,
                             reinterpret_cast<const Bytef*>(payload.data()),
                             static_cast<uLong>(payload.size()), Z_BEST_COMPRESSION);
    // compress2 fails only for lack of memory with a buffer of compressBound's size.
    if (rc != Z_OK) throw std::bad_alloc();
    compressed.resize(bound);
    return container + compressed;
}

std::string CompressLines(const std::vector<std::string>& lines) {
    std::string payload;
    for (const std::string& line : lines) {
        payload += line;
        payload += "\r\n";
    }
    return CompressPayload(payload);
}

}  // namespace quorvel::core
