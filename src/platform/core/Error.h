#pragma once
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <variant>

namespace core {

// A failure as a value: the domain and code callers test, the text a person reads, and the
// extra information a layer attaches (URL, underlying error, response details).
struct Error {
    std::string domain;
    long code = 0;
    std::string localizedDescription;
    std::map<std::string, std::string> userInfo;
    std::shared_ptr<const Error> underlying;

    static Error make(std::string domain, long code, std::string description)
    {
        Error e;
        e.domain = std::move(domain);
        e.code = code;
        e.localizedDescription = std::move(description);
        return e;
    }
};

// The value or the error that prevented it.
template<typename T>
class Result {
public:
    Result(T value) : m_value(std::move(value)) { }
    Result(Error error) : m_value(std::move(error)) { }

    bool ok() const { return m_value.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<0>(m_value); }
    const T& value() const { return std::get<0>(m_value); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    const Error& error() const { return std::get<1>(m_value); }

private:
    std::variant<T, Error> m_value;
};

template<>
class Result<void> {
public:
    Result() = default;
    Result(Error error) : m_error(std::make_shared<Error>(std::move(error))) { }
    bool ok() const { return !m_error; }
    explicit operator bool() const { return ok(); }
    const Error& error() const { return *m_error; }

private:
    std::shared_ptr<Error> m_error;
};

}
