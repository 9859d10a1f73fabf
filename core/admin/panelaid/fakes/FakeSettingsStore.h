// Settings kept in a map per program; a program can be made to have no key.
#pragma once

#include "SettingsStore.h"

#include <map>
#include <set>
#include <variant>

namespace panelaid {

class FakeSettingsStore : public SettingsStore {
public:
    using Value = std::variant<std::string, std::uint32_t>;

    SettingsResult ReadText(const std::string& program, const std::string& name, std::size_t maxBytes,
                            std::string* text) override {
        if (noKey_.count(program) != 0) return SettingsResult::NoKey;
        auto it = values_.find({program, name});
        if (it == values_.end() || !std::holds_alternative<std::string>(it->second)) return SettingsResult::NoValue;
        const std::string& v = std::get<std::string>(it->second);
        if (v.size() + 1 > maxBytes) return SettingsResult::NoValue;
        *text = v;
        return SettingsResult::Ok;
    }
    SettingsResult WriteText(const std::string& program, const std::string& name, const std::string& text) override {
        if (noKey_.count(program) != 0) return SettingsResult::NoKey;
        values_[{program, name}] = text;
        return SettingsResult::Ok;
    }
    SettingsResult ReadNumber(const std::string& program, const std::string& name, std::uint32_t* value) override {
        if (noKey_.count(program) != 0) return SettingsResult::NoKey;
        auto it = values_.find({program, name});
        if (it == values_.end() || !std::holds_alternative<std::uint32_t>(it->second)) return SettingsResult::NoValue;
        *value = std::get<std::uint32_t>(it->second);
        return SettingsResult::Ok;
    }
    SettingsResult WriteNumber(const std::string& program, const std::string& name, std::uint32_t value) override {
        if (noKey_.count(program) != 0) return SettingsResult::NoKey;
        values_[{program, name}] = value;
        return SettingsResult::Ok;
    }

    void SetText(const std::string& program, const std::string& name, const std::string& text) {
        values_[{program, name}] = text;
    }
    const Value* Find(const std::string& program, const std::string& name) const {
        auto it = values_.find({program, name});
        return it == values_.end() ? nullptr : &it->second;
    }
    void RefuseKey(const std::string& program) { noKey_.insert(program); }

private:
    std::map<std::pair<std::string, std::string>, Value> values_;
    std::set<std::string> noKey_;
};

}  // namespace panelaid
