#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <type_traits>

namespace orv {

// Error numbers the handlers test. Database numbers are the engine's HRESULTs,
// compared as signed 32-bit values.
namespace ErrorNumber {
constexpr std::int32_t TypeMismatch = 13;
constexpr std::int32_t FileNotFound = 53;
constexpr std::int32_t PathFileAccess = 75;
constexpr std::int32_t PathNotFound = 76;
constexpr std::int32_t ObjectNotSet = 91;
constexpr std::int32_t CannotOpen = static_cast<std::int32_t>(0x80004005u);
constexpr std::int32_t UnknownName = static_cast<std::int32_t>(0x80040E10u);
constexpr std::int32_t SyntaxError = static_cast<std::int32_t>(0x80040E14u);
}  // namespace ErrorNumber

// A run-time failure: a number and a description, as the error report shows them.
class RuntimeError : public std::runtime_error {
public:
    RuntimeError(std::int32_t number, const QString& description)
        : std::runtime_error(description.toStdString()), number_(number), description_(description) {}

    std::int32_t number() const { return number_; }
    const QString& description() const { return description_; }

private:
    std::int32_t number_;
    QString description_;
};

// Thrown once a report that ends the program is shown. It is not a RuntimeError, so no error trap
// takes it: it unwinds to main, which returns, and every open transaction and file on the way is
// committed, rolled back or closed by its owner.
struct ProgramEnd {};

// Runs one step whose failure the procedure passes over ("continue with the next statement"). A
// step that gives a value gives it back, empty when the step failed; a step without one gives false
// when it failed. Nothing is assigned inside the guarded stretch: GCC 12 at -O1 and above can leave
// a variable that is assigned there holding a stale value when the step throws.
template <class Step>
auto tryStep(Step&& step) {
    using Result = std::invoke_result_t<Step>;
    if constexpr (std::is_void_v<Result>) {
        try {
            step();
            return true;
        } catch (const RuntimeError&) {
            return false;
        }
    } else {
        try {
            return std::optional<Result>(step());
        } catch (const RuntimeError&) {
            return std::optional<Result>();
        }
    }
}

}  // namespace orv
