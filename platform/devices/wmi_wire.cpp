#include "platform/devices/wmi_wire.h"

#include <cstring>
#include <string>

namespace platform::wmi_wire {
namespace {

enum Tag : uint8_t { kNone, kBool, kInt32, kUint32, kUint64, kText, kObject, kObjects };

class Writer {
  public:
    void U8(uint8_t v) { bytes_.push_back(v); }
    void U32(uint32_t v) { Raw(&v, sizeof v); }
    void Raw(const void* data, size_t n) {
        if (n == 0) return;
        const size_t at = bytes_.size();
        bytes_.resize(at + n);
        std::memcpy(bytes_.data() + at, data, n);
    }
    void Text(const std::string& text) {
        U32(static_cast<uint32_t>(text.size()));
        Raw(text.data(), text.size());
    }
    void Object(const WmiObjectRef& object) {
        if (!object) return U32(0);
        const auto& properties = object->Properties();
        U32(static_cast<uint32_t>(properties.size()));
        for (const auto& [name, value] : properties) {
            Text(name);
            Value(value);
        }
    }
    void Value(const WmiValue& value) {
        if (const auto* b = std::get_if<bool>(&value)) {
            U8(kBool);
            U8(*b ? 1 : 0);
        } else if (const auto* i = std::get_if<int32_t>(&value)) {
            U8(kInt32);
            Raw(i, sizeof *i);
        } else if (const auto* u = std::get_if<uint32_t>(&value)) {
            U8(kUint32);
            Raw(u, sizeof *u);
        } else if (const auto* l = std::get_if<uint64_t>(&value)) {
            U8(kUint64);
            Raw(l, sizeof *l);
        } else if (const auto* t = std::get_if<std::string>(&value)) {
            U8(kText);
            Text(*t);
        } else if (const auto* o = std::get_if<WmiObjectRef>(&value)) {
            U8(kObject);
            Object(*o);
        } else if (const auto* list = std::get_if<std::vector<WmiObjectRef>>(&value)) {
            U8(kObjects);
            U32(static_cast<uint32_t>(list->size()));
            for (const WmiObjectRef& item : *list) Object(item);
        } else {
            U8(kNone);
        }
    }
    std::vector<uint8_t> Take() { return std::move(bytes_); }

  private:
    std::vector<uint8_t> bytes_;
};

class Reader {
  public:
    Reader(const uint8_t* bytes, size_t length) : p_(bytes), left_(length) {}
    bool done() const { return left_ == 0; }

    bool Raw(void* out, size_t n) {
        if (n > left_) return false;
        std::memcpy(out, p_, n);
        p_ += n;
        left_ -= n;
        return true;
    }
    bool U32(uint32_t* v) { return Raw(v, sizeof *v); }
    // A count of items each at least `smallest` bytes long: never more than the bytes left could hold.
    bool Count(uint32_t* n, size_t smallest) { return U32(n) && *n <= left_ / smallest; }
    bool Text(std::string* text) {
        uint32_t n = 0;
        if (!Count(&n, 1)) return false;
        text->assign(reinterpret_cast<const char*>(p_), n);
        p_ += n;
        left_ -= n;
        return true;
    }
    bool Object(int depth, WmiObjectRef* object) {
        uint32_t n = 0;
        if (depth > kMaxWmiDepth || !Count(&n, 5)) return false;
        std::map<std::string, WmiValue> properties;
        for (uint32_t i = 0; i < n; ++i) {
            std::string name;
            WmiValue value;
            if (!Text(&name) || !Value(depth, &value)) return false;
            properties[name] = std::move(value);
        }
        *object = std::make_shared<const IWbemClassObject>(std::move(properties));
        return true;
    }
    bool Value(int depth, WmiValue* value) {
        uint8_t tag = 0;
        if (!Raw(&tag, 1)) return false;
        switch (tag) {
            case kNone: *value = std::monostate{}; return true;
            case kBool: {
                uint8_t b = 0;
                if (!Raw(&b, 1)) return false;
                *value = b != 0;
                return true;
            }
            case kInt32: return Number<int32_t>(value);
            case kUint32: return Number<uint32_t>(value);
            case kUint64: return Number<uint64_t>(value);
            case kText: {
                std::string text;
                if (!Text(&text)) return false;
                *value = std::move(text);
                return true;
            }
            case kObject: {
                WmiObjectRef object;
                if (!Object(depth + 1, &object)) return false;
                *value = object;
                return true;
            }
            case kObjects: {
                uint32_t n = 0;
                if (!Count(&n, 4)) return false;
                std::vector<WmiObjectRef> list(n);
                for (WmiObjectRef& item : list) {
                    if (!Object(depth + 1, &item)) return false;
                }
                *value = std::move(list);
                return true;
            }
            default: return false;
        }
    }

  private:
    template <class T>
    bool Number(WmiValue* value) {
        T v{};
        if (!Raw(&v, sizeof v)) return false;
        *value = v;
        return true;
    }

    const uint8_t* p_;
    size_t left_;
};

}  // namespace

std::vector<uint8_t> Encode(const std::vector<WmiObjectRef>& objects) {
    Writer writer;
    writer.U32(static_cast<uint32_t>(objects.size()));
    for (const WmiObjectRef& object : objects) writer.Object(object);
    return writer.Take();
}

bool Decode(const uint8_t* bytes, size_t length, std::vector<WmiObjectRef>* objects) {
    Reader reader(bytes, length);
    uint32_t n = 0;
    if (!reader.Count(&n, 4)) return false;
    std::vector<WmiObjectRef> decoded(n);
    for (WmiObjectRef& object : decoded) {
        if (!reader.Object(0, &object)) return false;
    }
    if (!reader.done()) return false;
    *objects = std::move(decoded);
    return true;
}

}  // namespace platform::wmi_wire
