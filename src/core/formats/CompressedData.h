#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Status.h"

namespace quorvel::core {

// The compressed data container of the program's .dat files: two leading bytes, then one zlib
// stream (RFC 1950) whose inflated content is the payload, as a rule text lines ending in CR LF.
//
// Readers skip the two leading bytes unread, so containers made by other writers load as well.
// Our writer puts kContainerMarker there: "Q" and the format version 1.
inline constexpr std::array<char, 2> kContainerMarker = {'Q', '\x01'};

// Payloads larger than this are refused, so a damaged or hostile container cannot exhaust memory.
inline constexpr std::size_t kMaxContainerPayload = 256u * 1024u * 1024u;

// The lines of a container, or an empty list and the reason. Callers that only want the lines
// may ignore status: a damaged container reads as an empty list.
struct CompressedLines {
    std::vector<std::string> lines;
    platform::Status status;
};

// The payload of container bytes. Fails (ErrorCode::InvalidData) when the bytes are shorter than
// two, the zlib header or data is bad, the stream is truncated, junk follows the stream, or the
// payload exceeds maxPayload.
platform::Result<std::string> InflateContainer(std::string_view containerBytes,
                                               std::size_t maxPayload = kMaxContainerPayload);

// Payload text split into lines at CR LF, LF or CR; a final line end adds no empty line.
std::vector<std::string> SplitPayloadLines(std::string_view payload);

// LoadCompressedLines of bytes already in memory (for example read through a machine's file
// system).
CompressedLines DecodeCompressedLines(std::string_view containerBytes);
// Reads a container file of the host (the program's own data folder).
CompressedLines LoadCompressedLines(const std::filesystem::path& file);

// Writes the payload of container src to dst (replaced atomically). dst is left alone on failure.
platform::Status DecompressFile(const std::filesystem::path& src, const std::filesystem::path& dst);

// A container holding payload (kContainerMarker + zlib stream at the best compression).
std::string CompressPayload(std::string_view payload);
// A container holding the lines, each ended by CR LF.
std::string CompressLines(const std::vector<std::string>& lines);

}  // namespace quorvel::core
