#include "platform/jet/vba/Collection.h"

#include <cstdint>
#include <string>
#include <vector>

#include "base/AsciiCase.h"
#include "platform/jet/vba/Values.h"

namespace platform::jet::vba {
namespace {

constexpr long kInvalidCall = 5, kOutOfMemory = 7, kOutOfRange = 9, kKeyTaken = 457;
constexpr std::size_t kMostItems = 1'000'000;  // as many as an array may hold

bool given(const std::vector<Variant>& arguments, std::size_t i) {
    return i < arguments.size() && arguments[i].kind != Variant::Kind::Missing;
}

class Collection : public Object {
  public:
    std::string typeName() const override { return "Collection"; }

    std::optional<Variant> get(std::string_view name, const std::vector<Variant>& arguments) override {
        const std::string n = base::lowerAscii(name);
        if (n == "count" && arguments.empty()) return Variant(Value(static_cast<std::int64_t>(items_.size())));
        if (n == "item" && arguments.size() == 1) return item(arguments[0]);
        if (n == "add" && !arguments.empty() && arguments.size() <= 4) {
            add(arguments);
            return Variant();
        }
        if (n == "remove" && arguments.size() == 1) {
            const std::size_t at = find(arguments[0]);
            items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(at));
            keys_.erase(keys_.begin() + static_cast<std::ptrdiff_t>(at));
            return Variant();
        }
        return std::nullopt;
    }
    bool set(std::string_view, const std::vector<Variant>&, const Variant&) override { return false; }
    std::optional<Variant> item(const Variant& key) override { return items_[find(key)]; }
    std::optional<std::vector<Variant>> elements() override { return items_; }
    std::vector<std::string_view> parameterNames(std::string_view method) const override {
        if (base::equalIgnoringCase(method, "add")) return {"item", "key", "before", "after"};
        if (base::equalIgnoringCase(method, "item") || base::equalIgnoringCase(method, "remove")) return {"index"};
        return {};
    }

  private:
    std::vector<Variant> items_;
    std::vector<std::string> keys_;  // "" for an item added without one

    static bool isKey(const Variant& v) { return v.kind == Variant::Kind::Scalar && v.value.holds<std::string>(); }

    // The item's place: by key (text) or by number from 1.
    std::size_t find(const Variant& key) const {
        if (isKey(key)) {
            const std::string name = toText(key);
            for (std::size_t i = 0; i < keys_.size(); ++i)
                if (!keys_[i].empty() && base::equalIgnoringCase(keys_[i], name)) return i;
            raise(kInvalidCall);
        }
        const Variant index = valueOf(key);
        if (index.isNull() || index.isEmpty()) raise(kOutOfRange);
        const std::int64_t i = toWhole(index);
        if (i < 1 || static_cast<std::uint64_t>(i) > items_.size()) raise(kOutOfRange);
        return static_cast<std::size_t>(i - 1);
    }

    void add(const std::vector<Variant>& arguments) {
        std::string key;
        if (given(arguments, 1)) {
            if (arguments[1].kind != Variant::Kind::Scalar || arguments[1].value.isNull()) raise(kInvalidCall);
            key = toText(arguments[1]);
            if (key.empty()) raise(kInvalidCall);
            for (const std::string& k : keys_)
                if (base::equalIgnoringCase(k, key)) raise(kKeyTaken);
        }
        const bool before = given(arguments, 2), after = given(arguments, 3);
        if (before && after) raise(kInvalidCall);
        if (items_.size() >= kMostItems) raise(kOutOfMemory);
        std::size_t at = items_.size();
        if (before) at = find(arguments[2]);
        if (after) at = find(arguments[3]) + 1;
        items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at), arguments[0]);
        keys_.insert(keys_.begin() + static_cast<std::ptrdiff_t>(at), key);
    }
};

}  // namespace

std::shared_ptr<Object> newCollection() { return std::make_shared<Collection>(); }

}  // namespace platform::jet::vba
