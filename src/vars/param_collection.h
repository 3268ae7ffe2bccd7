#pragma once
// The variable store: named variables with scopes, the 51 system variables first, the
// 256-bucket name index, the PushVar stack and the saved forms of variables.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/hash_collection.h"
#include "base/stream.h"
#include "vars/param.h"

namespace vesk {

class ISystemVarProvider;

// Variable kinds as the creation command stores them.
enum class VarScope : uint8_t { Global = 0, AutoDispose = 1, Local = 2, Status = 3 };

class TParamCollectionItem : public THashItem {
  public:
    ~TParamCollectionItem() override;

    const std::string& Name() const { return name_; }
    TCustomParam* Param() const { return param_.get(); }
    uint8_t Reserved = 0;
    bool Status = false;
    int32_t Owner = -1;
    bool Local = false;
    bool IsSystem() const { return system_; }

    // The cell a reference shares with this item; emptied when the item is freed.
    std::shared_ptr<TParamCollectionItem*> AliveCell();

  private:
    friend class TParamCollection;
    std::string name_;
    std::unique_ptr<TCustomParam> param_;
    bool system_ = false;
    std::shared_ptr<TParamCollectionItem*> alive_;
};

class TParamCollection {
  public:
    static constexpr int kSystemCount = 51;

    TParamCollection();
    ~TParamCollection();
    TParamCollection(const TParamCollection&) = delete;
    TParamCollection& operator=(const TParamCollection&) = delete;

    // Item list in creation order.
    size_t Count() const { return items_.Count(); }
    TParamCollectionItem* At(size_t i) const { return items_.At(i); }

    TParamCollectionItem* Add(uint8_t type);
    // Lookup: locals of the current level first, else the oldest non-local of that name.
    int32_t IndexOf(std::string_view name) const;
    TParamCollectionItem* Find(std::string_view name) const;
    TParamCollectionItem* FindScoped(std::string_view name, bool local) const;
    // Creates a variable of `type` named `name` in the given scope at the current level.
    TParamCollectionItem* Create(std::string_view name, uint8_t type, VarScope scope);
    std::unique_ptr<TCustomParam> ValueCopy(std::string_view name) const;
    void Delete(TParamCollectionItem* item);
    void DeleteByName(std::string_view name);
    void FreeOwned(int32_t level);
    void Reset();

    // Item operations that touch the index.
    void SetName(TParamCollectionItem* item, std::string_view name);
    void SetType(TParamCollectionItem* item, uint8_t type);

    void SaveVars(Stream& s) const;
    void LoadVars(Stream& s, int32_t version);
    void SaveStatusVars(Stream& s) const;
    void LoadStatusVars(Stream& s);

    void PushVars(const std::vector<std::string>& names);
    void PopVars();
    size_t PushDepth() const { return pushStack_.size(); }

    int32_t CurrentLevel = 0;
    std::string SelStr;
    int32_t SelIndex = 0;
    int32_t TextDelay = 50;
    std::string CursorName;
    std::string TempName;
    // Nesting depth of running expressions; nested run-time compiles number their
    // temporaries past the enclosing ones.
    int32_t ExecDepth = 0;

    // Higher layers answer the system variables that read the running system.
    void SetSystemProvider(ISystemVarProvider* p) { provider_ = p; }
    ISystemVarProvider* SystemProvider() const { return provider_; }

    static uint64_t BucketOf(std::string_view name);

  private:
    void WriteRecords(StreamWriter& w, std::vector<TParamCollectionItem*> items) const;
    void ReadRecord(StreamReader& r, bool replaceExisting);
    void RemoveAt(size_t i);
    // A fresh value of the item's kind (1..4) holding what the item shows.
    static std::unique_ptr<TCustomParam> PlainCopy(const TParamCollectionItem& it);

    THashCollection<TParamCollectionItem> items_;
    std::vector<MemoryStream> pushStack_;
    ISystemVarProvider* provider_ = nullptr;
};

}  // namespace vesk
