#pragma once
// State shared by every object of one engine, and helpers for failing calls.

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/Dao.h"
#include "engine/core/ErrorTable.h"
#include "rtl/Utf8.h"

namespace zalvert::engine {

struct TEngineState {
    TErrorLog Log;
    std::string SystemDB;
    std::string DefaultUser = "Admin";
    std::string DefaultPassword;
    int DefaultType = dbUseJet;
    std::uint32_t NextRowSetId = 1;
    // Raised by Idle(dbRefreshCache): every recordset reads its current row anew.
    std::uint64_t CacheGeneration = 0;
};
using TEngineRef = std::shared_ptr<TEngineState>;

[[noreturn]] inline void Fail(TEngineState& engine, TDaoErr number, const char* source,
                              const std::string& detail = {}) {
    RaiseDao(engine.Log, number, source, detail);
}

// Names of tables, fields and indexes compare without regard to letter case.
inline bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}

// A collection filled on demand by a loader, with lookup by name without regard to case.
template <class T, class Base = Collection<T>>
class TListCollection : public Base {
  public:
    using TLoader = std::function<std::vector<std::shared_ptr<T>>()>;

    TListCollection(TEngineRef engine, const char* source, TLoader loader = {})
        : engine_(std::move(engine)), source_(source), loader_(std::move(loader)) {}

    int Count() const override {
        Load();
        return static_cast<int>(items_.size());
    }
    std::shared_ptr<T> Item(int index) const override {
        Load();
        if (index < 0 || index >= static_cast<int>(items_.size()))
            Fail(*engine_, TDaoErr::ItemNotFound, source_);
        return items_[static_cast<size_t>(index)];
    }
    std::shared_ptr<T> Item(std::string_view name) const override {
        if (auto item = Find(name)) return item;
        Fail(*engine_, TDaoErr::ItemNotFound, source_);
    }
    void Refresh() override { loaded_ = false; }

    std::shared_ptr<T> Find(std::string_view name) const {
        Load();
        for (const auto& item : items_)
            if (SameName(item->Name(), name)) return item;
        return nullptr;
    }
    void Add(std::shared_ptr<T> item) {
        Load();
        items_.push_back(std::move(item));
    }
    bool Remove(std::string_view name) {
        Load();
        const auto it = std::find_if(items_.begin(), items_.end(), [&](const auto& item) {
            return SameName(item->Name(), name);
        });
        if (it == items_.end()) return false;
        items_.erase(it);
        return true;
    }
    const std::vector<std::shared_ptr<T>>& Items() const {
        Load();
        return items_;
    }

  protected:
    TEngineState& Engine() const { return *engine_; }
    const char* Source() const { return source_; }

  private:
    void Load() const {
        if (loaded_) return;
        if (loader_) items_ = loader_();
        loaded_ = true;
    }

    TEngineRef engine_;
    const char* source_;
    TLoader loader_;
    mutable std::vector<std::shared_ptr<T>> items_;
    mutable bool loaded_ = false;
};

// A collection whose items come from its loader only: appending or deleting
// raises `Refusal` (InvalidOperation for a recordset's fields, NotSupported where the database
// changes them by statements).
template <class T, class Base, TDaoErr Refusal>
class TFixedList : public TListCollection<T, Base> {
  public:
    using TListCollection<T, Base>::TListCollection;
    void Append(std::shared_ptr<T>) override { Fail(this->Engine(), Refusal, this->Source()); }
    void Delete(std::string_view) override { Fail(this->Engine(), Refusal, this->Source()); }
};

// A property that only holds its value.
class TPlainProperty : public Property {
  public:
    TPlainProperty(std::string name, int type, Variant value)
        : name_(std::move(name)), type_(type), value_(std::move(value)) {}
    std::string Name() const override { return name_; }
    int Type() const override { return type_; }
    Variant Value() const override { return value_; }
    void SetValue(const Variant& value) override { value_ = value; }

  private:
    std::string name_;
    int type_;
    Variant value_;
};

// Properties kept in memory; `onAppend` and `onDelete` store them where they live.
class TPropertyList : public TListCollection<Property, PropertyCollection> {
  public:
    using TListCollection::TListCollection;
    std::function<void(const Property&)> OnAppend;
    std::function<void(std::string_view)> OnDelete;

    void Append(std::shared_ptr<Property> property) override {
        if (Find(property->Name())) Fail(Engine(), TDaoErr::NameTaken, Source());
        if (OnAppend) OnAppend(*property);
        Add(std::move(property));
    }
    void Delete(std::string_view name) override {
        if (!Find(name)) Fail(Engine(), TDaoErr::ItemNotFound, Source());
        if (OnDelete) OnDelete(name);
        Remove(name);
    }
};

}  // namespace zalvert::engine
