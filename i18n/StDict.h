// A hash dictionary keyed by 8-bit texts that compare without regard to case,
// with separate chaining and move-to-front on a hit. Its entries carry data
// that the owner reads, writes and frees through handlers, so the dictionary
// itself never knows what an entry holds.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "i18n/ValueStream.h"

namespace vantrel {

// A refused operation: a duplicate key, a bad hash size, a stream naming
// classes other than the dictionary's own.
class TStDictError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The form in which two keys are compared and hashed: upper-cased, the same
// way for both, so keys that compare equal always land in the same bucket.
// Valid UTF-8 is upper-cased as Unicode text; bytes that are not valid UTF-8
// only have their ASCII letters upper-cased, so no two different damaged keys
// collapse into one.
std::string FoldKey(const std::string& key);

// Bucket of an already folded key: each byte, rotated left by its position
// modulo 32, XORed together, modulo the table size.
std::uint32_t HashFoldedKey(const std::string& folded, std::uint32_t hashSize);

// The largest table a stored dictionary may ask for; a larger size in a file
// is a damaged file, not a reason to allocate gigabytes.
inline constexpr std::int32_t kMaxHashSize = 1048576;

struct TStDictNode {
    std::string Key;
    std::string Folded;  // FoldKey(Key), kept so that a lookup folds only once
    void* Data = nullptr;
    TStDictNode* Next = nullptr;
};

class TStDictionary {
public:
    using TEqualityEvent = std::function<bool(const std::string&, const std::string&)>;
    using TLoadDataEvent = std::function<void*(TValueReader&)>;
    using TStoreDataEvent = std::function<void(TValueWriter&, void*)>;
    using TDisposeDataEvent = std::function<void(void*)>;

    static constexpr const char* kClassName = "TStDictionary";
    static constexpr const char* kNodeClassName = "TStDictNode";

    explicit TStDictionary(std::int32_t hashSize = 509);
    ~TStDictionary();
    TStDictionary(const TStDictionary&) = delete;
    TStDictionary& operator=(const TStDictionary&) = delete;

    std::int32_t Count() const;
    std::int32_t HashSize() const;
    // Re-adds every entry into a new table of `size` buckets; data are kept.
    void SetHashSize(std::int32_t size);

    // Throws TStDictError on a duplicate key; the data then stay the caller's.
    void Add(const std::string& key, void* data);
    // A hit moves the entry to the front of its chain.
    bool Find(const std::string& key, void*& data);
    bool Exists(const std::string& key);
    // Disposes every entry's data and empties the table.
    void Clear();
    // Every entry, bucket by bucket, front of each chain first. `visit` must
    // not look entries up: a hit reorders the chain being walked.
    void Iterate(const std::function<void(const std::string& key, void* data)>& visit) const;

    // Replaces the entries with those of the stream; throws TStreamReadError
    // or TStDictError, keeping the entries read before the fault.
    void LoadFromStream(TValueReader& reader);
    void StoreToStream(TValueWriter& writer) const;

    void SetEqualityEvent(TEqualityEvent event);
    void SetLoadData(TLoadDataEvent event);
    void SetStoreData(TStoreDataEvent event);
    void SetDisposeData(TDisposeDataEvent event);

private:
    TStDictNode** FindSlot(const std::string& key, const std::string& folded,
                           std::uint32_t& bucket);
    bool Equal(const TStDictNode& node, const std::string& key, const std::string& folded) const;
    void Insert(TStDictNode* node);
    void CheckClassNames(TValueReader& reader);
    void ReadEntries(TValueReader& reader);

    mutable std::recursive_mutex FLock;
    std::vector<TStDictNode*> FBuckets;
    std::int32_t FCount = 0;
    TEqualityEvent FEqual;
    TLoadDataEvent FLoadData;
    TStoreDataEvent FStoreData;
    TDisposeDataEvent FDisposeData;
};

// Class names that a stored dictionary may name. The check is by name,
// without regard to ASCII case, as class names are looked up.
void RegisterStClass(const std::string& name);
bool IsStClassRegistered(const std::string& name);

// The owning wrapper that the repository holds: it registers the stored
// class names and forwards the table size and the data handlers.
class TStNVDictionary {
public:
    explicit TStNVDictionary(std::int32_t hashSize = 509);

    TStDictionary& Dictionary() { return FDictionary; }
    const TStDictionary& Dictionary() const { return FDictionary; }

    std::int32_t HashSize() const { return FDictionary.HashSize(); }
    void SetHashSize(std::int32_t size) { FDictionary.SetHashSize(size); }
    void SetLoadData(TStDictionary::TLoadDataEvent event);
    void SetStoreData(TStDictionary::TStoreDataEvent event);
    void SetDisposeData(TStDictionary::TDisposeDataEvent event);

private:
    TStDictionary FDictionary;
};

}  // namespace vantrel
