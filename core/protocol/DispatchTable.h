#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>

// Where a receiver goes after an answer code: the state that handles the
// answer and how many bytes it reads first. A code whose meaning depends on
// the request that was sent (the same code answers a write and a read) gets
// a chooser that looks at the operation flags when the code arrives.
class DispatchTable {
public:
    struct Entry {
        int state = 0;
        int readN = 1;
        bool operator==(const Entry&) const = default;
    };
    using Chooser = std::function<Entry()>;

    DispatchTable& add(uint8_t code, int state, int readN) {
        m_entries[code] = [e = Entry{state, readN}] { return e; };
        m_chosen.erase(code);
        return *this;
    }
    DispatchTable& addChosen(uint8_t code, Chooser choose) {
        m_entries[code] = std::move(choose);
        m_chosen[code] = true;
        return *this;
    }
    // Nothing for a code the table does not hold.
    std::optional<Entry> find(uint8_t code) const {
        const auto it = m_entries.find(code);
        if (it == m_entries.end() || !it->second) return std::nullopt;
        return it->second();
    }
    // The code leads to a state chosen by the operation flags.
    bool isChosen(uint8_t code) const { return m_chosen.count(code) != 0; }

private:
    std::map<uint8_t, Chooser> m_entries;
    std::map<uint8_t, bool> m_chosen;
};
