#pragma once

#include <QString>
#include <utility>
#include <variant>

namespace nomispot {

// Why something could not be done, in words for the user.
struct Failure {
    QString message;
};

// The core's one way to report failure: a value, or what went wrong instead (a Failure, or a
// richer reason where callers act on its kind).
template <typename T, typename E = Failure> class [[nodiscard]] Result {
public:
    Result(T value) : m_outcome(std::in_place_index<0>, std::move(value)) {}
    Result(E error) : m_outcome(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return m_outcome.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() { return std::get<0>(m_outcome); }
    const T& value() const { return std::get<0>(m_outcome); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    const E& error() const { return std::get<1>(m_outcome); }
    T value_or(T fallback) const { return ok() ? value() : std::move(fallback); }

private:
    std::variant<T, E> m_outcome;
};

// Success that carries no value.
struct Done {};
using Status = Result<Done>;

} // namespace nomispot
