#pragma once
// The one way an operation above the media engine reports failure: it returns
// either its value or an error (by default the text saying why), never both.
// Callers test it like a pointer:
//   const Result<QByteArray> data = load(url);
//   if (!data)
//       return Failure(data.error());
//   use(*data);
// Result<void> carries only the error. Failure(e) converts to any Result
// whose error type can be built from e.

#include <QString>

#include <optional>
#include <utility>
#include <variant>

template <typename E = QString>
struct Failure {
    explicit Failure(E e) : error(std::move(e)) {}
    E error;
};
Failure(const char*) -> Failure<QString>;

template <typename T, typename E = QString>
class [[nodiscard]] Result {
public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    template <typename F>
    Result(Failure<F> failure) : m_state(std::in_place_index<1>, E(std::move(failure.error))) {}

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    // Only when ok().
    const T& operator*() const& { return std::get<0>(m_state); }
    T& operator*() & { return std::get<0>(m_state); }
    T&& operator*() && { return std::get<0>(std::move(m_state)); }
    const T* operator->() const { return &std::get<0>(m_state); }
    T* operator->() { return &std::get<0>(m_state); }

    // An empty error when ok(), so a message can be built either way.
    const E& error() const { return ok() ? none() : std::get<1>(m_state); }

    // The value, or nothing when the reason does not matter to the caller.
    std::optional<T> value() const& { return ok() ? std::optional<T>(**this) : std::nullopt; }
    T valueOr(T fallback) const& { return ok() ? **this : std::move(fallback); }
    T valueOr(T fallback) && { return ok() ? *std::move(*this) : std::move(fallback); }

private:
    static const E& none()
    {
        static const E empty {};
        return empty;
    }
    std::variant<T, E> m_state;
};

template <typename E>
class [[nodiscard]] Result<void, E> {
public:
    Result() = default;
    template <typename F>
    Result(Failure<F> failure) : m_error(E(std::move(failure.error))) {}

    bool ok() const { return !m_error.has_value(); }
    explicit operator bool() const { return ok(); }
    const E& error() const
    {
        static const E empty {};
        return m_error ? *m_error : empty;
    }

private:
    std::optional<E> m_error;
};
