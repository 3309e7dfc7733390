#include "platform/jet/vba/ReportObjects.h"

#include <map>

#include "platform/jet/vba/Lexer.h"
#include "platform/jet/vba/Values.h"

namespace platform::jet::vba {
namespace {

// What hosts take: values only; Empty reads as Null.
Value plain(const Variant& v) {
    const Variant value = valueOf(v);
    return value.isEmpty() ? Value() : value.value;
}

class ControlObject : public Object {
  public:
    explicit ControlObject(ReportControl& control) : control_(control) {}
    std::string typeName() const override { return control_.controlType(); }
    std::optional<Variant> get(std::string_view name, const std::vector<Variant>& arguments) override {
        if (!arguments.empty()) return std::nullopt;
        if (sameName(name, "Name")) return Variant(Value(control_.name()));
        if (sameName(name, "ControlType")) return Variant(Value(control_.controlType()));
        if (auto value = control_.property(name)) return Variant(*value);
        return std::nullopt;
    }
    bool set(std::string_view name, const std::vector<Variant>& arguments, const Variant& value) override {
        return arguments.empty() && control_.setProperty(name, plain(value));
    }
    std::optional<Value> defaultValue() override { return control_.property("Value"); }
    ReportControl& control() { return control_; }

  private:
    ReportControl& control_;
};

// One object per control, so that "Set c = Me!Total: c Is Me!Total" holds.
class ControlObjects {
  public:
    std::shared_ptr<Object> of(ReportControl& control) {
        auto& object = objects_[&control];
        if (!object) object = controlObject(control);
        return object;
    }

  private:
    std::map<ReportControl*, std::shared_ptr<Object>> objects_;
};
using SharedControls = std::shared_ptr<ControlObjects>;

// Controls by name or number, and For Each over them.
class ControlsObject : public Object {
  public:
    ControlsObject(std::vector<ReportControl*> controls, SharedControls objects)
        : controls_(std::move(controls)), objects_(std::move(objects)) {}
    std::string typeName() const override { return "Controls"; }
    std::optional<Variant> get(std::string_view name, const std::vector<Variant>& arguments) override {
        if (sameName(name, "Count") && arguments.empty())
            return Variant(Value(static_cast<std::int64_t>(controls_.size())));
        if (sameName(name, "Item") && arguments.size() == 1) return item(arguments[0]);
        return std::nullopt;
    }
    bool set(std::string_view, const std::vector<Variant>&, const Variant&) override { return false; }
    std::optional<Variant> item(const Variant& key) override {
        const Variant k = valueOf(key);
        if (k.kind == Variant::Kind::Scalar && k.value.holds<std::string>()) {
            for (ReportControl* control : controls_)
                if (sameName(control->name(), k.value.get<std::string>())) return Variant::of(objects_->of(*control));
            raise(2465);
        }
        const double index = toDouble(k);
        if (index < 0 || index >= static_cast<double>(controls_.size())) raise(2456);
        return Variant::of(objects_->of(*controls_[static_cast<std::size_t>(index)]));
    }
    std::optional<std::vector<Variant>> elements() override {
        std::vector<Variant> out;
        for (ReportControl* control : controls_) out.push_back(Variant::of(objects_->of(*control)));
        return out;
    }

  private:
    std::vector<ReportControl*> controls_;
    SharedControls objects_;
};

class SectionObject : public Object {
  public:
    SectionObject(ReportSection& section, SharedControls objects) : section_(section), objects_(std::move(objects)) {}
    std::string typeName() const override { return "Section"; }
    std::optional<Variant> get(std::string_view name, const std::vector<Variant>& arguments) override {
        if (sameName(name, "Controls")) {
            auto controls = std::make_shared<ControlsObject>(section_.controls(), objects_);
            if (arguments.size() == 1) return controls->item(arguments[0]);
            if (arguments.empty()) return Variant::of(controls);
            return std::nullopt;
        }
        if (!arguments.empty()) return std::nullopt;
        if (auto value = section_.property(name)) return Variant(*value);
        return std::nullopt;
    }
    bool set(std::string_view name, const std::vector<Variant>& arguments, const Variant& value) override {
        return arguments.empty() && section_.setProperty(name, plain(value));
    }

  private:
    ReportSection& section_;
    SharedControls objects_;
};

class ReportObject : public Object {
  public:
    explicit ReportObject(ReportHost& host) : host_(host) {}
    std::string typeName() const override { return "Report"; }
    std::optional<Variant> get(std::string_view name, const std::vector<Variant>& arguments) override {
        if (sameName(name, "Section")) {
            if (arguments.size() != 1) return std::nullopt;
            ReportSection* section = host_.section(plain(arguments[0]));
            if (!section) raise(2462);
            return Variant::of(std::make_shared<SectionObject>(*section, objects_));
        }
        if (sameName(name, "Controls")) {
            auto controls = std::make_shared<ControlsObject>(host_.controls(), objects_);
            if (arguments.size() == 1) return controls->item(arguments[0]);
            if (arguments.empty()) return Variant::of(controls);
            return std::nullopt;
        }
        if (sameName(name, "Name") && arguments.empty()) return Variant(Value(host_.name()));
        if (arguments.empty()) {
            if (auto value = host_.property(name)) return Variant(*value);
            if (ReportControl* control = host_.control(name)) return Variant::of(objects_->of(*control));
            // A section by its name: Me.Detail, Me.PageHeaderSection.
            if (ReportSection* section = host_.section(Value(std::string(name))))
                return Variant::of(std::make_shared<SectionObject>(*section, objects_));
            if (auto value = host_.field(name)) return Variant(*value);
        }
        std::vector<Value> values;
        for (const Variant& argument : arguments) values.push_back(plain(argument));
        if (auto value = host_.callMethod(name, values)) return Variant(*value);
        return std::nullopt;
    }
    bool set(std::string_view name, const std::vector<Variant>& arguments, const Variant& value) override {
        if (!arguments.empty()) return false;
        if (host_.setProperty(name, plain(value))) return true;
        return setItem(Value(std::string(name)), value);
    }
    std::optional<Variant> item(const Variant& key) override {
        const std::string name = toText(key);
        if (ReportControl* control = host_.control(name)) return Variant::of(objects_->of(*control));
        if (auto value = host_.field(name)) return Variant(*value);
        return std::nullopt;
    }
    bool setItem(const Variant& key, const Variant& value) override {
        ReportControl* control = host_.control(toText(key));
        return control && control->setProperty("Value", plain(value));
    }

  private:
    ReportHost& host_;
    SharedControls objects_ = std::make_shared<ControlObjects>();
};

}  // namespace

std::shared_ptr<Object> reportObject(ReportHost& host) { return std::make_shared<ReportObject>(host); }
std::shared_ptr<Object> controlObject(ReportControl& control) { return std::make_shared<ControlObject>(control); }

}  // namespace platform::jet::vba
