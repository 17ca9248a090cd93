#pragma once
// What a fallible step of the engine gives back: its value, or a failure that says
// what kind of thing went wrong and the facts (in English, naming the defect). Front
// ends choose their own words from the kind; the command line prints the facts.
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace media {

enum class FailureKind {
    BadData,     // the file is not what it claims, or is damaged beyond reading
    Unsupported, // a well-formed file this program does not read
    Unreadable,  // the file could not be opened or read
    NoPicture,   // there was nothing to work on
    WriteFailed, // the system refused to write the result (no space, no permission ...)
    StepFailed,  // a step of the picture chain could not be made
};

struct Failure {
    FailureKind kind = FailureKind::BadData;
    std::string message; // the whole story: "<path>: cannot be opened"
    std::string cause;   // the reason alone, without where it happened: "cannot be opened"
    std::string place;   // the file or folder it is about, where the front end needs it apart

    // The same failure told of a place ("<path>: " + message).
    Failure Prefixed(const std::string& prefix) const { return {kind, prefix + message, cause, place}; }
};

template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : m_state(std::move(value)) {}
    Result(Failure failure) : m_state(std::move(failure)) {}

    explicit operator bool() const { return m_state.index() == 0; }
    T& operator*() & { return std::get<0>(m_state); }
    const T& operator*() const& { return std::get<0>(m_state); }
    T&& operator*() && { return std::get<0>(std::move(m_state)); }
    T* operator->() { return &std::get<0>(m_state); }
    const T* operator->() const { return &std::get<0>(m_state); }

    const Failure& Error() const { return std::get<1>(m_state); }
    // Empty when the step succeeded: the usual way to show or log the outcome.
    std::string Message() const { return *this ? std::string() : Error().message; }

private:
    std::variant<T, Failure> m_state;
};

template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure failure) : m_failure(std::move(failure)) {}

    explicit operator bool() const { return !m_failure; }
    const Failure& Error() const { return *m_failure; }
    std::string Message() const { return m_failure ? m_failure->message : std::string(); }

private:
    std::optional<Failure> m_failure;
};

inline Failure Fail(FailureKind kind, const std::string& cause) { return {kind, cause, cause, {}}; }

} // namespace media

// Returns the failure of a step to the caller; otherwise goes on.
#define MEDIA_TRY(expr)                                                                                                \
    do {                                                                                                               \
        if (auto&& media_try_result_ = (expr); !media_try_result_)                                                     \
            return media_try_result_.Error();                                                                          \
    } while (false)
