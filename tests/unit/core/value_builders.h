// Short builders for values in table-driven tests, and an error sink that
// keeps what it is told.
#pragma once

#include "core/report.h"
#include "core/value.h"

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace palavrino::core::test_values {

inline Value I(int32_t n)
{
    return Value::Int(n);
}
inline Value S(std::string s)
{
    return Value::String(std::move(s));
}
inline Value U()
{
    return Value::Undefined();
}
inline Value R(int32_t a, int32_t b)
{
    return Value::Range(a, b);
}
inline Value X()
{
    return Value();
} // "inválido"
inline Value L(std::initializer_list<Value> items)
{
    Value v = Value::NewList();
    for (const Value& x : items)
        ListAppend(v.List(), x);
    return v;
}
// Dictionary entries are stored as written, "inválido" values included.
inline Value D(std::initializer_list<std::pair<std::string, Value>> entries)
{
    Value v = Value::NewDict();
    for (const auto& e : entries)
        *v.Dict().Find(e.first, true) = e.second;
    return v;
}

class RecordingSink final : public ErrorSink {
public:
    void ReportHere(std::string_view message) override { messages.emplace_back(message); }
    void ReportPlain(std::string_view message) override { messages.emplace_back(message); }
    std::vector<std::string> messages;
};

} // namespace palavrino::core::test_values
