// Outcomes of the packer's steps: a value, or an error that names what went
// wrong and the exit code the command ends with. Nothing here throws.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace pack {

// Exit codes of norvek-pack, documented in README.md.
enum class ExitCode : int {
    kOk = 0,
    kUsage = 1,        // bad command line
    kBadInput = 2,     // unreadable file, TOML error, missing image
    kRefused = 3,      // the manifest asks for something the updater would misread
    kNoBlock = 4,      // no package block, a damaged one, or a truncated file
    kWriteFailed = 5,  // the output could not be written
};

struct Error {
    ExitCode code = ExitCode::kBadInput;
    std::string message;
    bool absent = false;  // not a damaged one: no trace of what was looked for at all
};

template <class T>
class Result {
public:
    Result(T value) : state_(std::move(value)) {}
    Result(Error error) : state_(std::move(error)) {}

    bool ok() const { return std::holds_alternative<T>(state_); }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<T>(state_); }
    const T& value() const { return std::get<T>(state_); }
    const Error& error() const { return std::get<Error>(state_); }

private:
    std::variant<T, Error> state_;
};

}  // namespace pack
