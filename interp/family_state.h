// State that a command family keeps for one runtime (an open device, what
// the last command found), without the interpreter knowing its type. Each
// family asks for its own struct by type; it is made on first use and
// destroyed with the runtime, so two runtimes never share it.
#pragma once

#include <memory>
#include <typeindex>
#include <unordered_map>

namespace palavrino::interp {

class FamilyStates {
public:
    // T must be default-constructible.
    template <typename T> T& Get()
    {
        std::shared_ptr<void>& held = m_states[std::type_index(typeid(T))];
        if (!held)
            held = std::make_shared<T>();
        return *static_cast<T*>(held.get());
    }
    // For state made with arguments: what Put stored, or null.
    template <typename T> T* Find()
    {
        auto it = m_states.find(std::type_index(typeid(T)));
        return it == m_states.end() ? nullptr : static_cast<T*>(it->second.get());
    }
    template <typename T> T& Put(std::shared_ptr<T> state)
    {
        T& held = *state;
        m_states[std::type_index(typeid(T))] = std::move(state);
        return held;
    }
    // Ends every family's state (the runtime does so first as it ends).
    void Clear() { m_states.clear(); }

private:
    std::unordered_map<std::type_index, std::shared_ptr<void>> m_states;
};

} // namespace palavrino::interp
