#pragma once
// Values. Every value is an array: a flat list of elements of one kind plus an optional
// list of dimension sizes (empty for a scalar). Elements are stored row-major.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/ext80.h"

namespace vesk {

class StreamReader;
class StreamWriter;
class TParamCollection;
class TParamCollectionItem;

enum : uint8_t { PT_NONE = 0, PT_INT = 1, PT_FLOAT = 2, PT_BOOL = 3, PT_STR = 4 };

class TCustomParam {
  public:
    virtual ~TCustomParam() = default;

    std::vector<int32_t> Dims;

    virtual int32_t Count() const { return 1; }
    virtual void SetCount(int32_t) {}
    virtual uint8_t ParamType() const { return PT_INT; }
    virtual bool AsFlag() const { return false; }
    virtual Real AsFloat() const { return 0; }
    virtual int32_t AsInt() const { return 0; }
    virtual std::string AsStr() const { return {}; }
    virtual void SetFlag(bool) {}
    virtual void SetFloat(Real) {}
    virtual void SetInt(int32_t) {}
    virtual void SetStr(std::string_view) {}
    virtual int32_t IntAt(int32_t) const { return 0; }
    virtual void SetIntAt(int32_t, int32_t) {}
    virtual Real FloatAt(int32_t) const { return 0; }
    virtual void SetFloatAt(int32_t, Real) {}
    virtual bool FlagAt(int32_t) const { return false; }
    virtual void SetFlagAt(int32_t, bool) {}
    virtual std::string StrAt(int32_t) const { return {}; }
    virtual void SetStrAt(int32_t, std::string_view) {}
    virtual int32_t DimCount() const;
    virtual int32_t DimSize(int32_t k) const;
    virtual void Assign(const TCustomParam&) {}
    virtual void SetDims(const std::vector<int32_t>& sizes);
    virtual void FillInt(int32_t) {}
    virtual void FillFloat(Real) {}
    virtual void FillFlag(bool) {}
    virtual void FillStr(std::string_view) {}
    virtual void CopyMem(const TCustomParam& src);
    virtual void SaveToStream(StreamWriter& w) const;
    virtual void LoadFromStream(StreamReader& r, TParamCollection* store);
    virtual void MakeScalar();
    int32_t IndexOfStr(std::string_view text, bool caseSensitive, bool partial) const;

    // Copies between any two kinds: the source's dimensions, then every element read in
    // this value's own kind.
    void CopyFrom(const TCustomParam& src);
    // A fresh empty value of the same kind (for kinds 1..4; nullptr otherwise).
    std::unique_ptr<TCustomParam> CloneEmpty() const;
    // Declared with dimensions (an array) rather than as a scalar.
    bool IsArray() const { return !Dims.empty(); }

  protected:
    void WriteDims(StreamWriter& w) const;
    void ReadDims(StreamReader& r);
};

// Scalar values, for code that hands a value over (system variables, results).
std::unique_ptr<TCustomParam> IntParam(int32_t n);
std::unique_ptr<TCustomParam> RealParam(Real x);
std::unique_ptr<TCustomParam> FlagParam(bool b);
std::unique_ptr<TCustomParam> StrParam(std::string s);

// Factory: a fresh value of a type code (the low 7 bits are used); nullptr above 4.
// Type 0 gives an unbound reference.
std::unique_ptr<TCustomParam> MakeParam(uint8_t type);

// The four element kinds share one implementation.
template <class T, uint8_t Code>
class TParamTyped : public TCustomParam {
  public:
    std::vector<T> Values{T{}};

    int32_t Count() const override { return int32_t(Values.size()); }
    void SetCount(int32_t n) override { Values.resize(n < 0 ? 0 : size_t(n)); }
    uint8_t ParamType() const override { return Code; }
    bool AsFlag() const override { return FlagAt(0); }
    Real AsFloat() const override { return FloatAt(0); }
    int32_t AsInt() const override { return IntAt(0); }
    std::string AsStr() const override { return StrAt(0); }
    void SetFlag(bool b) override;
    void SetFloat(Real x) override;
    void SetInt(int32_t n) override;
    void SetStr(std::string_view s) override;
    int32_t IntAt(int32_t i) const override;
    void SetIntAt(int32_t i, int32_t n) override;
    Real FloatAt(int32_t i) const override;
    void SetFloatAt(int32_t i, Real x) override;
    bool FlagAt(int32_t i) const override;
    void SetFlagAt(int32_t i, bool b) override;
    std::string StrAt(int32_t i) const override;
    void SetStrAt(int32_t i, std::string_view s) override;
    void Assign(const TCustomParam& src) override;
    void CopyMem(const TCustomParam& src) override;
    void SaveToStream(StreamWriter& w) const override;
    void LoadFromStream(StreamReader& r, TParamCollection* store) override;
    void MakeScalar() override;

    // Direct element access without conversion.
    const T& At(int32_t i) const { return Values[Check(i)]; }

  protected:
    size_t Check(int32_t i) const;
};

class TParamInt final : public TParamTyped<int32_t, PT_INT> {
  public:
    void FillInt(int32_t n) override { Values.assign(Values.size(), n); }
};
class TParamFloat final : public TParamTyped<Real, PT_FLOAT> {
  public:
    void FillFloat(Real x) override { Values.assign(Values.size(), x); }
};
class TParamFlag final : public TParamTyped<uint8_t, PT_BOOL> {
  public:
    void FillFlag(bool b) override { Values.assign(Values.size(), b ? 1 : 0); }
};
class TParamStr final : public TParamTyped<std::string, PT_STR> {
  public:
    void FillStr(std::string_view s) override { Values.assign(Values.size(), std::string(s)); }
};

// A reference to an element of another variable. Scalar reads and writes go to element
// `RefIndex` of the target; indexed operations pass their index on; count, dimension and
// fill operations act on the whole target. Without a target reads are neutral and writes
// do nothing.
class TParamVar final : public TCustomParam {
  public:
    TParamVar();
    ~TParamVar() override;
    std::string RefName;
    uint8_t RefFlag = 0;
    int32_t RefIndex = 0;

    TParamCollectionItem* Target() const;
    TCustomParam* TargetParam() const;
    void SetTarget(TParamCollectionItem* item);

    int32_t Count() const override;
    void SetCount(int32_t n) override;
    uint8_t ParamType() const override;
    bool AsFlag() const override;
    Real AsFloat() const override;
    int32_t AsInt() const override;
    std::string AsStr() const override;
    void SetFlag(bool b) override;
    void SetFloat(Real x) override;
    void SetInt(int32_t n) override;
    void SetStr(std::string_view s) override;
    int32_t IntAt(int32_t i) const override;
    void SetIntAt(int32_t i, int32_t n) override;
    Real FloatAt(int32_t i) const override;
    void SetFloatAt(int32_t i, Real x) override;
    bool FlagAt(int32_t i) const override;
    void SetFlagAt(int32_t i, bool b) override;
    std::string StrAt(int32_t i) const override;
    void SetStrAt(int32_t i, std::string_view s) override;
    int32_t DimCount() const override;
    int32_t DimSize(int32_t k) const override;
    void Assign(const TCustomParam& src) override;
    void SetDims(const std::vector<int32_t>& sizes) override;
    void FillInt(int32_t n) override;
    void FillFloat(Real x) override;
    void FillFlag(bool b) override;
    void FillStr(std::string_view s) override;
    void CopyMem(const TCustomParam& src) override;
    void SaveToStream(StreamWriter& w) const override;
    void LoadFromStream(StreamReader& r, TParamCollection* store) override;
    void MakeScalar() override;

  private:
    // Shared with the target item so a freed target reads as "no target" instead of
    // leaving a dangling pointer.
    std::shared_ptr<TParamCollectionItem*> target_;
};

}  // namespace vesk
