#include "lab/journal.h"

#include <array>

namespace lab::journal {

namespace {

enum Kind : char {
    kBase = 'B',
    kSetting = 'S',
    kFolder = 'F',
    kApplication = 'A',
    kDelete = 'D',
};

// Raised by the reader when a payload does not hold what its kind promises.
struct Damaged {};

class Writer {
  public:
    void U8(uint8_t value) { out_.push_back(static_cast<char>(value)); }
    void U32(uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            U8(static_cast<uint8_t>(value >> (8 * i)));
        }
    }
    void U64(uint64_t value) {
        U32(static_cast<uint32_t>(value));
        U32(static_cast<uint32_t>(value >> 32));
    }
    void I32(int32_t value) { U32(static_cast<uint32_t>(value)); }
    void Text(std::string_view text) {
        U32(static_cast<uint32_t>(text.size()));
        out_.append(text);
    }
    void Value(const farm::Value& value) {
        if (const auto* number = std::get_if<int32_t>(&value)) {
            U8(0);
            I32(*number);
        } else {
            U8(1);
            Text(std::get<std::string>(value));
        }
    }
    template <class Container, class Fn>
    void List(const Container& items, Fn each) {
        U32(static_cast<uint32_t>(items.size()));
        for (const auto& item : items) {
            each(item);
        }
    }
    std::string& Bytes() { return out_; }

  private:
    std::string out_;
};

class Reader {
  public:
    explicit Reader(std::string_view in) : in_(in) {}
    uint8_t U8() {
        Need(1);
        return static_cast<uint8_t>(in_[at_++]);
    }
    uint32_t U32() {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            value |= static_cast<uint32_t>(U8()) << (8 * i);
        }
        return value;
    }
    uint64_t U64() {
        const uint64_t low = U32();
        return low | (static_cast<uint64_t>(U32()) << 32);
    }
    int32_t I32() { return static_cast<int32_t>(U32()); }
    std::string Text() {
        const uint32_t size = U32();
        Need(size);
        std::string text(in_.substr(at_, size));
        at_ += size;
        return text;
    }
    farm::Value Value() {
        switch (U8()) {
            case 0:
                return I32();
            case 1:
                return Text();
            default:
                throw Damaged{};
        }
    }
    // A count that cannot exceed what is left (each item takes at least one byte).
    uint32_t Count() {
        const uint32_t count = U32();
        Need(count);
        return count;
    }
    bool AtEnd() const { return at_ == in_.size(); }

  private:
    void Need(size_t size) const {
        if (in_.size() - at_ < size) {
            throw Damaged{};
        }
    }
    std::string_view in_;
    size_t at_ = 0;
};

void PutEntries(Writer& w, const std::vector<AccountEntry>& entries) {
    w.List(entries, [&](const AccountEntry& e) {
        w.I32(e.aaType);
        w.I32(e.accountType);
        w.Text(e.aaName);
        w.Text(e.accountName);
    });
}

std::vector<AccountEntry> GetEntries(Reader& r) {
    std::vector<AccountEntry> entries(r.Count());
    for (AccountEntry& e : entries) {
        e.aaType = r.I32();
        e.accountType = r.I32();
        e.aaName = r.Text();
        e.accountName = r.Text();
    }
    return entries;
}

void PutBase(Writer& w, const FarmModel& base) {
    w.U8(kBase);
    w.Text(base.name);
    w.U8(base.userIsAdministrator ? 1 : 0);
    w.List(base.zones, [&](const ZoneRecord& z) {
        w.Text(z.name);
        w.Text(z.dataCollector);
    });
    w.List(base.servers, [&](const ServerRecord& s) {
        w.Text(s.name);
        w.Text(s.zone);
        w.I32(s.ntMajor);
        w.I32(s.ntMinor);
    });
    w.List(base.folders, [&](const std::string& f) { w.Text(f); });
    w.List(base.settings, [&](const auto& setting) {
        w.Text(setting.first);
        w.Value(setting.second);
    });
    w.List(base.accounts, [&](const std::string& a) { w.Text(a); });
}

FarmModel GetBase(Reader& r) {
    FarmModel base;
    base.name = r.Text();
    base.userIsAdministrator = r.U8() != 0;
    base.zones.resize(r.Count());
    for (ZoneRecord& z : base.zones) {
        z.name = r.Text();
        z.dataCollector = r.Text();
    }
    base.servers.resize(r.Count());
    for (ServerRecord& s : base.servers) {
        s.name = r.Text();
        s.zone = r.Text();
        s.ntMajor = r.I32();
        s.ntMinor = r.I32();
    }
    base.folders.resize(r.Count());
    for (std::string& f : base.folders) {
        f = r.Text();
    }
    for (uint32_t n = r.Count(); n > 0; --n) {
        std::string key = r.Text();
        base.settings[key] = r.Value();
    }
    base.accounts.resize(r.Count());
    for (std::string& a : base.accounts) {
        a = r.Text();
    }
    return base;
}

void PutApp(Writer& w, const StoredApp& app) {
    w.U8(kApplication);
    w.U64(app.id);
    w.U64(app.order);
    const AppRecord& a = app.record;
    w.Text(a.name);
    w.Text(a.folder);
    w.Text(a.description);
    w.List(a.keys, [&](const auto& key) {
        w.Text(key.first);
        w.Value(key.second);
    });
    w.List(a.servers, [&](const std::string& s) { w.Text(s); });
    PutEntries(w, a.users);
    PutEntries(w, a.groups);
    w.Text(a.icon);
}

StoredApp GetApp(Reader& r) {
    StoredApp app;
    app.id = r.U64();
    app.order = r.U64();
    AppRecord& a = app.record;
    a.name = r.Text();
    a.folder = r.Text();
    a.description = r.Text();
    for (uint32_t n = r.Count(); n > 0; --n) {
        std::string key = r.Text();
        a.keys[key] = r.Value();
    }
    a.servers.resize(r.Count());
    for (std::string& s : a.servers) {
        s = r.Text();
    }
    a.users = GetEntries(r);
    a.groups = GetEntries(r);
    a.icon = r.Text();
    return app;
}

FarmChange DecodePayload(std::string_view payload) {
    Reader r(payload);
    FarmChange change;
    switch (r.U8()) {
        case kBase:
            change.change = SetFarmBase{GetBase(r)};
            break;
        case kSetting: {
            PutFarmSetting setting;
            setting.key = r.Text();
            setting.value = r.Value();
            change.change = std::move(setting);
            break;
        }
        case kFolder:
            change.change = AddFarmFolder{r.Text()};
            break;
        case kApplication:
            change.change = PutApplication{GetApp(r)};
            break;
        case kDelete:
            change.change = DeleteApplication{r.U64()};
            break;
        default:
            throw Damaged{};
    }
    if (!r.AtEnd()) {
        throw Damaged{};
    }
    return change;
}

// Tables for CRC-32 eight bytes at a step: table k gives the CRC of a byte followed by k
// zero bytes.
using CrcTables = std::array<std::array<uint32_t, 256>, 8>;

constexpr CrcTables MakeCrcTables() {
    CrcTables tables{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        tables[0][i] = c;
    }
    for (uint32_t i = 0; i < 256; ++i) {
        for (size_t k = 1; k < tables.size(); ++k) {
            const uint32_t previous = tables[k - 1][i];
            tables[k][i] = tables[0][previous & 0xFFu] ^ (previous >> 8);
        }
    }
    return tables;
}

constexpr CrcTables kCrcTables = MakeCrcTables();

uint32_t ReadU32(std::string_view bytes, size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) {
        value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    }
    return value;
}

}  // namespace

uint32_t Crc32(std::string_view bytes) {
    const auto byte = [&bytes](size_t at) -> uint32_t {
        return static_cast<unsigned char>(bytes[at]);
    };
    uint32_t crc = 0xFFFFFFFFu;
    size_t at = 0;
    for (; bytes.size() - at >= 8; at += 8) {
        const uint32_t low =
            crc ^ (byte(at) | byte(at + 1) << 8 | byte(at + 2) << 16 | byte(at + 3) << 24);
        const uint32_t high =
            byte(at + 4) | byte(at + 5) << 8 | byte(at + 6) << 16 | byte(at + 7) << 24;
        crc = kCrcTables[7][low & 0xFFu] ^ kCrcTables[6][(low >> 8) & 0xFFu] ^
              kCrcTables[5][(low >> 16) & 0xFFu] ^ kCrcTables[4][low >> 24] ^
              kCrcTables[3][high & 0xFFu] ^ kCrcTables[2][(high >> 8) & 0xFFu] ^
              kCrcTables[1][(high >> 16) & 0xFFu] ^ kCrcTables[0][high >> 24];
    }
    for (; at < bytes.size(); ++at) {
        crc = kCrcTables[0][(crc ^ byte(at)) & 0xFFu] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFu;
}

std::string Encode(const FarmChange& change) {
    Writer payload;
    std::visit(
        [&](const auto& c) {
            using C = std::decay_t<decltype(c)>;
            if constexpr (std::is_same_v<C, SetFarmBase>) {
                PutBase(payload, c.base);
            } else if constexpr (std::is_same_v<C, PutFarmSetting>) {
                payload.U8(kSetting);
                payload.Text(c.key);
                payload.Value(c.value);
            } else if constexpr (std::is_same_v<C, AddFarmFolder>) {
                payload.U8(kFolder);
                payload.Text(c.path);
            } else if constexpr (std::is_same_v<C, PutApplication>) {
                PutApp(payload, c.app);
            } else {
                payload.U8(kDelete);
                payload.U64(c.id);
            }
        },
        change.change);
    Writer framed;
    framed.U32(static_cast<uint32_t>(payload.Bytes().size()));
    framed.U32(Crc32(payload.Bytes()));
    framed.Bytes().append(payload.Bytes());
    return std::move(framed.Bytes());
}

size_t Decode(std::string_view bytes, const std::function<void(FarmChange&&)>& sink) {
    size_t at = 0;
    while (bytes.size() - at >= kFrameSize) {
        const uint32_t size = ReadU32(bytes, at);
        const uint32_t crc = ReadU32(bytes, at + 4);
        if (size == 0 || size > kMaxPayload || bytes.size() - at - kFrameSize < size) {
            break;
        }
        const std::string_view payload = bytes.substr(at + kFrameSize, size);
        if (Crc32(payload) != crc) {
            break;
        }
        FarmChange change;
        try {
            change = DecodePayload(payload);
        } catch (const Damaged&) {
            break;
        }
        sink(std::move(change));
        at += kFrameSize + size;
    }
    return at;
}

}  // namespace lab::journal
