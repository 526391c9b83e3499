#pragma once

#include <type_traits>
#include <utility>
#include <variant>

namespace quill {

// The fault an answer failed with, wrapped so that a value and a fault of one type stay apart.
template <typename Fault>
struct Unexpected {
    Fault fault;
};

template <typename Fault>
Unexpected<std::decay_t<Fault>> unexpected(Fault&& fault)
{
    return {std::forward<Fault>(fault)};
}

// An answer or the fault why there is none: the one shape every question that can fail
// answers in, so that no caller can read a value that is not there or drop the fault unseen.
// Shaped like C++23's std::expected, which this toolchain does not yet have everywhere.
template <typename T, typename Fault>
class [[nodiscard]] Expected {
  public:
    // cppcheck-suppress noExplicitConstructor ; returned as the value, like std::expected
    Expected(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    // cppcheck-suppress noExplicitConstructor ; returned as the fault, like std::expected
    Expected(Unexpected<Fault> failed) : state_(std::in_place_index<1>, std::move(failed.fault)) {}

    [[nodiscard]] bool has_value() const { return state_.index() == 0; }
    explicit operator bool() const { return has_value(); }

    // Only where has_value().
    T& operator*() & { return std::get<0>(state_); }
    const T& operator*() const& { return std::get<0>(state_); }
    T&& operator*() && { return std::get<0>(std::move(state_)); }
    T* operator->() { return &std::get<0>(state_); }
    const T* operator->() const { return &std::get<0>(state_); }

    // Only where !has_value().
    [[nodiscard]] const Fault& error() const { return std::get<1>(state_); }

  private:
    std::variant<T, Fault> state_;
};

// An action that gives nothing back but can fail.
template <typename Fault>
class [[nodiscard]] Expected<void, Fault> {
  public:
    Expected() = default;
    // cppcheck-suppress noExplicitConstructor ; returned as the fault, like std::expected
    Expected(Unexpected<Fault> failed) : fault_(std::move(failed.fault)), failed_(true) {}

    [[nodiscard]] bool has_value() const { return !failed_; }
    explicit operator bool() const { return has_value(); }

    // Only where !has_value().
    [[nodiscard]] const Fault& error() const { return fault_; }

  private:
    Fault fault_{};
    bool failed_ = false;
};

} // namespace quill
