#include "i18n/StDict.h"

#include <algorithm>
#include <set>

#include "i18n/UnicodeText.h"

namespace vantrel {

namespace {

bool IsAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string AsciiUpper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

char AsciiUpperChar(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameTextAscii(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiUpperChar(x) == AsciiUpperChar(y);
           });
}

std::mutex& RegistryLock() {
    static std::mutex lock;
    return lock;
}

std::set<std::string>& Registry() {
    static std::set<std::string> names;  // upper-cased
    return names;
}

}  // namespace

std::string FoldKey(const std::string& key) {
    // Most keys are plain ASCII; they need no table.
    if (IsAscii(key)) {
        return AsciiUpper(key);
    }
    std::string upper;
    upper.reserve(key.size());
    // A byte order mark that opens a key has never counted: keys written with
    // and without one are the same key, as stored dictionaries have them.
    std::size_t pos = key.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    while (pos < key.size()) {
        const char32_t codePoint = unicode::DecodeUtf8(key, pos);
        if (codePoint == unicode::kNotDecoded) {
            return AsciiUpper(key);
        }
        unicode::AppendUpperCaseUtf8(codePoint, upper);
    }
    return upper;
}

std::uint32_t HashFoldedKey(const std::string& folded, std::uint32_t hashSize) {
    std::uint32_t h = 0;
    for (std::size_t i = 0; i < folded.size(); ++i) {
        const std::uint32_t b = static_cast<unsigned char>(folded[i]);
        const unsigned shift = static_cast<unsigned>(i % 32);
        h ^= shift == 0 ? b : (b << shift) | (b >> (32 - shift));
    }
    return h % hashSize;
}

TStDictionary::TStDictionary(std::int32_t hashSize) {
    SetHashSize(hashSize);
}

TStDictionary::~TStDictionary() {
    Clear();
}

std::int32_t TStDictionary::Count() const {
    std::lock_guard guard(FLock);
    return FCount;
}

std::int32_t TStDictionary::HashSize() const {
    std::lock_guard guard(FLock);
    return static_cast<std::int32_t>(FBuckets.size());
}

void TStDictionary::SetHashSize(std::int32_t size) {
    std::lock_guard guard(FLock);
    if (size < 1 || size > kMaxHashSize) {
        throw TStDictError("bad hash size " + std::to_string(size));
    }
    if (static_cast<std::size_t>(size) == FBuckets.size()) {
        return;
    }
    std::vector<TStDictNode*> old(static_cast<std::size_t>(size), nullptr);
    old.swap(FBuckets);
    for (TStDictNode* head : old) {
        while (head != nullptr) {
            TStDictNode* next = head->Next;
            Insert(head);
            head = next;
        }
    }
}

void TStDictionary::Insert(TStDictNode* node) {
    TStDictNode*& head = FBuckets[HashFoldedKey(node->Folded, FBuckets.size())];
    node->Next = head;
    head = node;
}

bool TStDictionary::Equal(const TStDictNode& node, const std::string& key,
                          const std::string& folded) const {
    return FEqual ? FEqual(node.Key, key) : node.Folded == folded;
}

// The link that points at the matching node, or nullptr.
TStDictNode** TStDictionary::FindSlot(const std::string& key, const std::string& folded,
                                      std::uint32_t& bucket) {
    bucket = HashFoldedKey(folded, static_cast<std::uint32_t>(FBuckets.size()));
    for (TStDictNode** link = &FBuckets[bucket]; *link != nullptr; link = &(*link)->Next) {
        if (Equal(**link, key, folded)) {
            return link;
        }
    }
    return nullptr;
}

bool TStDictionary::Find(const std::string& key, void*& data) {
    std::lock_guard guard(FLock);
    const std::string folded = FoldKey(key);
    std::uint32_t bucket = 0;
    TStDictNode** link = FindSlot(key, folded, bucket);
    if (link == nullptr) {
        return false;
    }
    TStDictNode* node = *link;
    // Texts looked up often end up first in their chain.
    if (link != &FBuckets[bucket]) {
        *link = node->Next;
        node->Next = FBuckets[bucket];
        FBuckets[bucket] = node;
    }
    data = node->Data;
    return true;
}

bool TStDictionary::Exists(const std::string& key) {
    void* data = nullptr;
    return Find(key, data);
}

void TStDictionary::Add(const std::string& key, void* data) {
    std::lock_guard guard(FLock);
    std::string folded = FoldKey(key);
    std::uint32_t bucket = 0;
    if (FindSlot(key, folded, bucket) != nullptr) {
        throw TStDictError("duplicate key \"" + key + "\"");
    }
    auto* node = new TStDictNode{key, std::move(folded), data, FBuckets[bucket]};
    FBuckets[bucket] = node;
    ++FCount;
}

void TStDictionary::Clear() {
    std::lock_guard guard(FLock);
    for (TStDictNode*& head : FBuckets) {
        while (head != nullptr) {
            TStDictNode* node = head;
            head = node->Next;
            if (FDisposeData) {
                FDisposeData(node->Data);
            }
            delete node;
        }
    }
    FCount = 0;
}

void TStDictionary::Iterate(
    const std::function<void(const std::string& key, void* data)>& visit) const {
    std::lock_guard guard(FLock);
    for (const TStDictNode* node : FBuckets) {
        for (; node != nullptr; node = node->Next) {
            visit(node->Key, node->Data);
        }
    }
}

void TStDictionary::CheckClassNames(TValueReader& reader) {
    const std::size_t at = reader.Position();
    const std::string container = reader.ReadString();
    if (!IsStClassRegistered(container) || !SameTextAscii(container, kClassName)) {
        throw TStreamReadError(at, "container class \"" + container + "\" is not " + kClassName);
    }
    const std::size_t nodeAt = reader.Position();
    const std::string node = reader.ReadString();
    if (!IsStClassRegistered(node) || !SameTextAscii(node, kNodeClassName)) {
        throw TStreamReadError(nodeAt, "node class \"" + node + "\" is not " + kNodeClassName);
    }
}

void TStDictionary::ReadEntries(TValueReader& reader) {
    reader.ReadListBegin();
    while (!reader.EndOfList()) {
        const std::size_t at = reader.Position();
        const std::string key = reader.ReadString();
        void* data = FLoadData ? FLoadData(reader) : nullptr;
        try {
            Add(key, data);
        } catch (const TStDictError& duplicate) {
            if (FDisposeData) {
                FDisposeData(data);
            }
            throw TStreamReadError(at, duplicate.what());
        }
    }
    reader.ReadListEnd();
}

void TStDictionary::LoadFromStream(TValueReader& reader) {
    std::lock_guard guard(FLock);
    Clear();
    CheckClassNames(reader);
    const std::size_t sizeAt = reader.Position();
    const std::int32_t size = reader.ReadInteger();
    try {
        SetHashSize(size);
    } catch (const TStDictError& bad) {
        throw TStreamReadError(sizeAt, bad.what());
    }
    ReadEntries(reader);
}

void TStDictionary::StoreToStream(TValueWriter& writer) const {
    std::lock_guard guard(FLock);
    writer.WriteString(kClassName);
    writer.WriteString(kNodeClassName);
    writer.WriteInteger(HashSize());
    writer.WriteListBegin();
    Iterate([&](const std::string& key, void* data) {
        writer.WriteString(key);
        if (FStoreData) {
            FStoreData(writer, data);
        }
    });
    writer.WriteListEnd();
}

void TStDictionary::SetEqualityEvent(TEqualityEvent event) {
    std::lock_guard guard(FLock);
    FEqual = std::move(event);
}

void TStDictionary::SetLoadData(TLoadDataEvent event) {
    std::lock_guard guard(FLock);
    FLoadData = std::move(event);
}

void TStDictionary::SetStoreData(TStoreDataEvent event) {
    std::lock_guard guard(FLock);
    FStoreData = std::move(event);
}

void TStDictionary::SetDisposeData(TDisposeDataEvent event) {
    std::lock_guard guard(FLock);
    FDisposeData = std::move(event);
}

void RegisterStClass(const std::string& name) {
    std::lock_guard guard(RegistryLock());
    Registry().insert(AsciiUpper(name));
}

bool IsStClassRegistered(const std::string& name) {
    std::lock_guard guard(RegistryLock());
    return Registry().count(AsciiUpper(name)) != 0;
}

TStNVDictionary::TStNVDictionary(std::int32_t hashSize) : FDictionary(hashSize) {
    RegisterStClass(TStDictionary::kClassName);
    RegisterStClass(TStDictionary::kNodeClassName);
}

void TStNVDictionary::SetLoadData(TStDictionary::TLoadDataEvent event) {
    FDictionary.SetLoadData(std::move(event));
}

void TStNVDictionary::SetStoreData(TStDictionary::TStoreDataEvent event) {
    FDictionary.SetStoreData(std::move(event));
}

void TStNVDictionary::SetDisposeData(TStDictionary::TDisposeDataEvent event) {
    FDictionary.SetDisposeData(std::move(event));
}

}  // namespace vantrel
