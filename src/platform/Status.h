#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>

namespace quorvel::platform {

// Windows error codes used across the platform interfaces (same numbers as winerror.h).
enum class ErrorCode : std::uint32_t {
    Success = 0,
    FileNotFound = 2,
    PathNotFound = 3,
    AccessDenied = 5,
    InvalidHandle = 6,
    NotEnoughMemory = 8,
    InvalidData = 13,
    WriteProtect = 19,
    SharingViolation = 32,
    FileExists = 80,
    InvalidParameter = 87,
    DirNotEmpty = 145,
    AlreadyExists = 183,
    MoreData = 234,
    NoMoreItems = 259,
    CantResolveFilename = 1921,
    KeyDeleted = 1018,
    BadFormat = 11,
};

// Outcome of one operation: a Windows error code and, on failure, a sentence for people.
class Status {
public:
    Status() = default;
    Status(ErrorCode code, std::string message) : code_(code), message_(std::move(message)) {}

    static Status ok() { return {}; }

    bool isOk() const { return code_ == ErrorCode::Success; }
    explicit operator bool() const { return isOk(); }
    ErrorCode code() const { return code_; }
    const std::string& message() const { return message_; }

private:
    ErrorCode code_ = ErrorCode::Success;
    std::string message_;
};

// A value or the Status that explains why there is none.
template <class T>
class Result {
public:
    Result(T value) : state_(std::move(value)) {}           // NOLINT: implicit by design
    Result(Status failure) : state_(std::move(failure)) {}  // NOLINT: implicit by design

    bool isOk() const { return std::holds_alternative<T>(state_); }
    explicit operator bool() const { return isOk(); }

    T& value() & { return std::get<T>(state_); }
    const T& value() const& { return std::get<T>(state_); }
    T&& value() && { return std::get<T>(std::move(state_)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    Status status() const { return isOk() ? Status::ok() : std::get<Status>(state_); }

private:
    std::variant<T, Status> state_;
};

}  // namespace quorvel::platform
