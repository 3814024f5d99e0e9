// The farm store on disk (and, at the end, one that keeps its farms in memory only).
//
// Files below the root folder, per farm (NAME is the farm name with every byte other than
// a-z, 0-9, "-" and "_" written as "%XX", so names differing in case stay apart on
// case-insensitive file systems):
//   NAME.farm      the farm's journal
//   NAME.lock      the farm's lock; its first 16 bytes are mapped into every process that
//                  uses the farm and hold two native 64-bit words: the journal generation,
//                  raised before a journal is replaced or removed, and the journal's end as
//                  last written (a hint for readers, see Reading)
//   NAME.farm.tmp  a journal being written; left over only by an interrupted write
//
// A journal is the 12 bytes of journal::kMagic followed by records. Each record is framed:
//   u32 payload length, u32 CRC-32 of the payload, payload
// and the payload's first byte tells its kind (all numbers little-endian, every text a u32
// byte count and the bytes, a value a byte 0 and an i32 or a byte 1 and a text, a list a
// u32 count and its items):
//   'B' the farm-wide part: name, administrator flag (u8), zones (name, data collector),
//       servers (name, zone, NT major i32, NT minor i32), folders, settings (key, value),
//       accounts
//   'S' one setting: key, value
//   'F' one folder added: path
//   'A' one application stored: id u64, order u64, name, folder, description,
//       keys (key, value), servers, users and groups (aaType i32, accountType i32, aaName,
//       accountName), icon bytes. Replaces the application of that id, or adds it.
//   'D' one application deleted: id u64
// Replaying the records in file order gives the farm; the applications enumerate by order.
//
// Writing. Writers hold the lock file exclusively (flock / LockFileEx), readers share it,
// so two processes never write one farm at once. A change is read-modify-write under that
// lock: the writer first reads what others appended, checks its change against it, then
// appends its records at the end of the last whole record (cutting off a torn tail left by
// a crash) and flushes. A whole farm (FarmStore::Write, and compaction once the journal
// holds more than twice its live data) is written to NAME.farm.tmp, flushed, and renamed
// over the journal after the generation was raised.
//
// Crash safety. A record cut short or damaged fails its length or CRC check: readers stop
// before it and the next writer cuts it off, so an interrupted save leaves the state before
// it. An interrupted whole-farm write leaves the old journal in place (and a stale .tmp).
//
// Reading. Each FarmStore object keeps every farm it has read in memory with the journal
// offset it has read up to. On each call it compares the generation and the end in the
// mapped lock file with what it read last (memory reads, no lock, no system call: see
// Unchanged); when either moved it takes the shared lock and decodes only the records added
// since, or, after a changed generation, the whole journal again. The end is only a hint:
// what counts is the whole records in the journal, so a writer that dies between its append
// and its update of the end loses nothing; the next reader that looks under the lock
// publishes the larger end.
#include <algorithm>
#include <atomic>
#include <mutex>
#include <system_error>

#include "base/utf8_path.h"
#include "lab/farm_state.h"
#include "lab/journal.h"
#include "lab/lab.h"
#include "lab/os_file.h"
#include "lab/rules.h"

namespace lab {

namespace {

constexpr const char* kJournalExtension = ".farm";
constexpr const char* kLockExtension = ".lock";
constexpr const char* kTempSuffix = ".tmp";
constexpr uint64_t kCompactSlack = 1024 * 1024;
constexpr size_t kHeaderSize = 16;  // the lock file's mapped words
// Shared between processes, the words must be atomic without a lock of this process's own.
static_assert(std::atomic_ref<uint64_t>::is_always_lock_free);

std::string FileStem(const std::string& farmName) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string stem;
    for (char c : farmName) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') || byte == '-' ||
            byte == '_') {
            stem.push_back(c);
        } else {
            stem.push_back('%');
            stem.push_back(kHex[byte >> 4]);
            stem.push_back(kHex[byte & 0xFu]);
        }
    }
    return stem;
}

std::optional<std::string> FarmNameOf(const std::string& stem) {
    std::string name;
    for (size_t i = 0; i < stem.size(); ++i) {
        if (stem[i] != '%') {
            name.push_back(stem[i]);
            continue;
        }
        if (i + 2 >= stem.size()) {
            return std::nullopt;
        }
        int value = 0;
        for (size_t k = i + 1; k <= i + 2; ++k) {
            const char c = stem[k];
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0) {
                return std::nullopt;
            }
            value = value * 16 + digit;
        }
        name.push_back(static_cast<char>(value));
        i += 2;
    }
    return name;
}

[[noreturn]] void NoSuchFarm(const std::string& farmName) {
    Refuse(Rule::kFarmUnreachable, "The farm " + Quoted(farmName) + " cannot be reached.");
}

}  // namespace

// What FarmStore forwards to: the farms in files below a folder, or in memory only.
class FarmStore::Impl {
  public:
    virtual ~Impl() = default;
    virtual const std::filesystem::path& Root() const = 0;
    virtual std::filesystem::path JournalPath(const std::string& farmName) const = 0;
    virtual std::vector<std::string> FarmNames() = 0;
    virtual bool Inspect(const std::string& farmName,
                         const std::function<void(const FarmState&)>& reader) = 0;
    virtual void Change(
        const std::string& farmName,
        const std::function<void(const FarmState&, std::vector<FarmChange>&)>& writer) = 0;
    virtual void Write(const FarmModel& model) = 0;
    virtual void Remove(const std::string& farmName) = 0;
    virtual int64_t ParsedApplicationRecords() const = 0;
    virtual void SetDurable(bool durable) = 0;

    // Counts each farm written, changed or removed through this object.
    int64_t Writes() const { return writes_; }

  protected:
    void CountWrite() { ++writes_; }

  private:
    std::atomic<int64_t> writes_ = 0;
};

namespace {

void RequireName(const FarmModel& model) {
    if (model.name.empty()) {
        Refuse(Rule::kStoreIo, "A farm in the store needs a name.");
    }
}

class FileStore final : public FarmStore::Impl {
  public:
    explicit FileStore(std::filesystem::path root) : root_(std::move(root)) {
        std::error_code error;
        std::filesystem::create_directories(root_, error);
        if (!std::filesystem::is_directory(root_, error)) {
            Refuse(Rule::kStoreIo,
                   "The farm store folder " + Quoted(base::Utf8(root_)) + " cannot be created.");
        }
    }

    const std::filesystem::path& Root() const override { return root_; }

    std::filesystem::path JournalPath(const std::string& farmName) const override {
        return root_ / (FileStem(farmName) + kJournalExtension);
    }

    std::vector<std::string> FarmNames() override {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(root_, error)) {
            const std::filesystem::path& path = entry.path();
            if (path.extension() != kJournalExtension) {
                continue;
            }
            if (auto name = FarmNameOf(base::Utf8(path.stem()))) {
                names.push_back(std::move(*name));
            }
        }
        std::sort(names.begin(), names.end());
        std::erase_if(names, [this](const std::string& name) { return !Inspect(name, nullptr); });
        return names;
    }

    bool Inspect(const std::string& farmName,
                 const std::function<void(const FarmState&)>& reader) override {
        std::lock_guard guard(mutex_);
        std::error_code error;
        if (!farms_.contains(farmName) && !std::filesystem::exists(JournalPath(farmName), error)) {
            return false;  // no lock file for names that were never farms
        }
        Farm& farm = Entry(farmName);
        if (!Unchanged(farm)) {
            os::FileLock lock(farm.lock, false);
            if (!Refresh(farm)) {
                return false;
            }
        }
        if (reader) {
            reader(farm.state);
        }
        return true;
    }

    void Change(
        const std::string& farmName,
        const std::function<void(const FarmState&, std::vector<FarmChange>&)>& writer) override {
        std::lock_guard guard(mutex_);
        Farm& farm = Entry(farmName);
        os::FileLock lock(farm.lock, true);
        if (!Refresh(farm)) {
            NoSuchFarm(farmName);
        }
        std::vector<FarmChange> changes;
        writer(farm.state, changes);
        if (changes.empty()) {
            return;
        }
        std::string bytes;
        for (const FarmChange& change : changes) {
            bytes += journal::Encode(change);
        }
        {
            os::File file = os::File::Open(farm.journal, os::File::Mode::kReadWriteCreate);
            if (file.Size() != farm.offset) {
                file.Truncate(farm.offset);  // a torn tail
            }
            file.WriteAt(farm.offset, bytes);
            if (durable_) {
                file.Sync();
            }
        }
        for (const FarmChange& change : changes) {
            farm.state.Apply(change);
        }
        CountWrite();
        farm.offset += bytes.size();
        Word(farm, 1).store(farm.offset, std::memory_order_release);
        if (farm.offset > 2 * farm.state.LiveBytes() + kCompactSlack) {
            try {
                Replace(farm, farm.state);
            } catch (const farm::FarmError&) {
                // The change is in the journal; compacting can wait for the next one.
            }
        }
    }

    void Write(const FarmModel& model) override {
        RequireName(model);
        std::lock_guard guard(mutex_);
        Farm& farm = Entry(model.name);
        os::FileLock lock(farm.lock, true);
        Replace(farm, FarmState::FromModel(model));
        CountWrite();
    }

    void Remove(const std::string& farmName) override {
        std::lock_guard guard(mutex_);
        Farm& farm = Entry(farmName);
        os::FileLock lock(farm.lock, true);
        RaiseGeneration(farm);
        std::error_code error;
        std::filesystem::remove(farm.journal, error);
        std::filesystem::remove(TempPath(farm), error);
        Word(farm, 1).store(0, std::memory_order_release);
        Forget(farm);
        CountWrite();
    }

    int64_t ParsedApplicationRecords() const override { return parsedApplications_; }
    void SetDurable(bool durable) override {
        std::lock_guard guard(mutex_);
        durable_ = durable;
    }

  private:
    struct Farm {
        std::filesystem::path journal;
        os::File lock;
        os::FileMapping header;   // generation, end
        bool seen = false;        // generation below was read
        uint64_t generation = 0;  // of the journal held in `state`
        bool exists = false;
        uint64_t offset = 0;  // end of the last whole record read
        FarmState state;
    };

    Farm& Entry(const std::string& farmName) {
        auto found = farms_.find(farmName);
        if (found == farms_.end()) {
            Farm farm;
            farm.journal = JournalPath(farmName);
            farm.lock = os::File::Open(root_ / (FileStem(farmName) + kLockExtension),
                                       os::File::Mode::kReadWriteCreate);
            if (farm.lock.Size() < kHeaderSize) {
                farm.lock.Truncate(kHeaderSize);  // zeros; never shrinks once mapped
            }
            farm.header = os::FileMapping::Map(farm.lock, kHeaderSize);
            found = farms_.emplace(farmName, std::move(farm)).first;
        }
        return found->second;
    }

    static std::filesystem::path TempPath(const Farm& farm) {
        std::filesystem::path temp = farm.journal;
        temp += kTempSuffix;
        return temp;
    }

    static void Forget(Farm& farm) {
        farm.exists = false;
        farm.offset = 0;
        farm.state = FarmState();
    }

    static std::atomic_ref<uint64_t> Word(const Farm& farm, size_t index) {
        return std::atomic_ref<uint64_t>(static_cast<uint64_t*>(farm.header.Data())[index]);
    }
    static uint64_t Generation(const Farm& farm) {
        return Word(farm, 0).load(std::memory_order_acquire);
    }
    static uint64_t End(const Farm& farm) { return Word(farm, 1).load(std::memory_order_acquire); }

    // The check of every call, without the lock: the journal is the one read last and has
    // not grown. A writer raises the generation before it replaces or removes a journal and
    // sets the end after, so an end that belongs to a new journal comes with a generation
    // that the second reading sees.
    static bool Unchanged(const Farm& farm) {
        if (!farm.seen || !farm.exists) {
            return false;
        }
        const uint64_t generation = Generation(farm);
        const uint64_t end = End(farm);
        return generation == farm.generation && end == farm.offset &&
               Generation(farm) == generation;
    }

    // Shares what a look under the lock found: the end is raised, never lowered, here.
    static void PublishEnd(const Farm& farm) {
        std::atomic_ref<uint64_t> end = Word(farm, 1);
        uint64_t seen = end.load(std::memory_order_acquire);
        while (seen < farm.offset &&
               !end.compare_exchange_weak(seen, farm.offset, std::memory_order_acq_rel)) {
        }
    }

    // Brings `farm` up to date with its files; the caller holds the farm's lock.
    bool Refresh(Farm& farm) {
        const uint64_t generation = Generation(farm);
        if (!farm.seen || generation != farm.generation) {
            Forget(farm);
            farm.seen = true;
            farm.generation = generation;
        }
        const os::File file = os::File::Open(farm.journal, os::File::Mode::kRead);
        if (!file.IsOpen()) {
            Forget(farm);
            return false;
        }
        const uint64_t size = file.Size();
        if (farm.offset == 0) {
            if (file.ReadAt(0, journal::kMagic.size()) != journal::kMagic) {
                return false;
            }
            farm.offset = journal::kMagic.size();
        }
        if (size > farm.offset) {
            const std::string bytes = file.ReadAt(farm.offset, size - farm.offset);
            farm.offset += journal::Decode(bytes, [&](FarmChange&& change) {
                if (std::holds_alternative<PutApplication>(change.change)) {
                    ++parsedApplications_;
                }
                farm.state.Apply(change);
            });
        }
        farm.exists = true;
        PublishEnd(farm);
        return true;
    }

    static void RaiseGeneration(Farm& farm) {
        farm.generation = Word(farm, 0).fetch_add(1, std::memory_order_acq_rel) + 1;
    }

    // Writes `state` as the farm's whole journal; the caller holds the lock exclusively.
    void Replace(Farm& farm, FarmState state) {
        std::string bytes(journal::kMagic);
        bytes += journal::Encode(FarmChange{SetFarmBase{state.Base()}});
        for (const StoredApp* app : state.Applications()) {
            bytes += journal::Encode(FarmChange{PutApplication{*app}});
        }
        const std::filesystem::path temp = TempPath(farm);
        {
            os::File file = os::File::Open(temp, os::File::Mode::kReadWriteCreate);
            file.Truncate(0);
            file.WriteAt(0, bytes);
            if (durable_) {
                file.Sync();
            }
        }
        RaiseGeneration(farm);
        os::MoveFileOver(temp, farm.journal, durable_);
        farm.seen = true;
        farm.exists = true;
        farm.offset = bytes.size();
        farm.state = std::move(state);
        Word(farm, 1).store(farm.offset, std::memory_order_release);
    }

    std::filesystem::path root_;
    std::mutex mutex_;
    std::map<std::string, Farm> farms_;
    std::atomic<int64_t> parsedApplications_ = 0;
    bool durable_ = true;
};

// The farms of this object alone, in memory. A change goes through the journal's encoding
// and is applied as a reader of the file would decode it.
class MemoryStore final : public FarmStore::Impl {
  public:
    const std::filesystem::path& Root() const override { return root_; }
    std::filesystem::path JournalPath(const std::string&) const override { return {}; }

    std::vector<std::string> FarmNames() override {
        std::lock_guard guard(mutex_);
        std::vector<std::string> names;
        for (const auto& [name, state] : farms_) {
            names.push_back(name);
        }
        return names;
    }

    bool Inspect(const std::string& farmName,
                 const std::function<void(const FarmState&)>& reader) override {
        std::lock_guard guard(mutex_);
        const auto found = farms_.find(farmName);
        if (found == farms_.end()) {
            return false;
        }
        if (reader) {
            reader(found->second);
        }
        return true;
    }

    void Change(
        const std::string& farmName,
        const std::function<void(const FarmState&, std::vector<FarmChange>&)>& writer) override {
        std::lock_guard guard(mutex_);
        const auto found = farms_.find(farmName);
        if (found == farms_.end()) {
            NoSuchFarm(farmName);
        }
        std::vector<FarmChange> changes;
        writer(found->second, changes);
        std::string bytes;
        for (const FarmChange& change : changes) {
            bytes += journal::Encode(change);
        }
        std::vector<FarmChange> decoded;
        if (journal::Decode(bytes, [&](FarmChange&& change) {
                decoded.push_back(std::move(change));
            }) != bytes.size()) {
            Refuse(Rule::kStoreIo, "A change of the farm " + Quoted(farmName) +
                                       " does not read back from its records.");
        }
        for (const FarmChange& change : decoded) {
            if (std::holds_alternative<PutApplication>(change.change)) {
                ++parsedApplications_;
            }
            found->second.Apply(change);
        }
        if (!decoded.empty()) {
            CountWrite();
        }
    }

    void Write(const FarmModel& model) override {
        RequireName(model);
        std::lock_guard guard(mutex_);
        farms_.insert_or_assign(model.name, FarmState::FromModel(model));
        CountWrite();
    }

    void Remove(const std::string& farmName) override {
        std::lock_guard guard(mutex_);
        farms_.erase(farmName);
        CountWrite();
    }

    int64_t ParsedApplicationRecords() const override { return parsedApplications_; }
    void SetDurable(bool) override {}

  private:
    const std::filesystem::path root_;
    std::mutex mutex_;
    std::map<std::string, FarmState> farms_;
    std::atomic<int64_t> parsedApplications_ = 0;
};

}  // namespace

FarmStore::FarmStore(std::filesystem::path root)
    : impl_(std::make_unique<FileStore>(std::move(root))) {}

FarmStore::FarmStore(MemoryOnly) : impl_(std::make_unique<MemoryStore>()) {}

FarmStore::~FarmStore() = default;

const std::filesystem::path& FarmStore::Root() const {
    return impl_->Root();
}

std::vector<std::string> FarmStore::FarmNames() {
    return impl_->FarmNames();
}

bool FarmStore::HasFarm(const std::string& farmName) {
    return impl_->Inspect(farmName, nullptr);
}

FarmModel FarmStore::Read(const std::string& farmName) {
    FarmModel model;
    if (!impl_->Inspect(farmName, [&](const FarmState& state) { model = state.ToModel(); })) {
        NoSuchFarm(farmName);
    }
    return model;
}

void FarmStore::Write(const FarmModel& model) {
    impl_->Write(model);
}

void FarmStore::Remove(const std::string& farmName) {
    impl_->Remove(farmName);
}

std::optional<std::string> FarmStore::FarmOfServer(const std::string& serverName) {
    for (const std::string& name : FarmNames()) {
        bool found = false;
        impl_->Inspect(
            name, [&](const FarmState& state) { found = state.FindServer(serverName) != nullptr; });
        if (found) {
            return name;
        }
    }
    return std::nullopt;
}

bool FarmStore::Inspect(const std::string& farmName,
                        const std::function<void(const FarmState&)>& reader) {
    return impl_->Inspect(farmName, reader);
}

void FarmStore::Change(
    const std::string& farmName,
    const std::function<void(const FarmState&, std::vector<FarmChange>&)>& writer) {
    impl_->Change(farmName, writer);
}

int64_t FarmStore::ParsedApplicationRecords() const {
    return impl_->ParsedApplicationRecords();
}

int64_t FarmStore::Writes() const {
    return impl_->Writes();
}

void FarmStore::SetDurable(bool durable) {
    impl_->SetDurable(durable);
}

std::filesystem::path FarmStore::FarmFile(const std::string& farmName) const {
    return impl_->JournalPath(farmName);
}

}  // namespace lab
