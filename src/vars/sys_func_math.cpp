// Built-in number functions. Integer ones work on 32-bit values with wrap-around; real ones
// on extended reals. A real function whose result is not a finite number (ArcSin(2), an
// overflow) fails like an invalid floating-point operation instead of storing NaN or an
// infinity into a variable.
#include <cmath>
#include <cstdint>
#include <string>

#include "base/error.h"
#include "vars/conv.h"
#include "vars/param.h"
#include "vars/sys_func_impl.h"

namespace vesk {

namespace {

Real Checked(SysFuncCall& c, Real r) {
    if (!std::isfinite(r))
        Fail(std::string(kSysFuncs[c.index].name) + ": invalid floating point operation");
    return r;
}

void FnRandom(SysFuncCall& c) {
    c.dest.SetInt(c.man.RandomBelow(c.Arg(0).AsInt()));
}

void FnInt(SysFuncCall& c) {
    c.dest.SetInt(RealToInt(Checked(c, c.Arg(0).AsFloat())));
}

void FnFloat(SysFuncCall& c) {
    c.dest.SetFloat(c.Arg(0).AsFloat());
}

template <Real (*F)(Real)>
void FnReal1(SysFuncCall& c) {
    c.dest.SetFloat(Checked(c, F(c.Arg(0).AsFloat())));
}

template <Real (*F)(Real, Real)>
void FnReal2(SysFuncCall& c) {
    c.dest.SetFloat(Checked(c, F(c.Arg(0).AsFloat(), c.Arg(1).AsFloat())));
}

Real Sin(Real x) {
    return std::sin(x);
}
Real Cos(Real x) {
    return std::cos(x);
}
Real Tan(Real x) {
    return std::tan(x);
}
Real ArcSin(Real x) {
    return std::asin(x);
}
Real ArcCos(Real x) {
    return std::acos(x);
}
Real ArcTan(Real x) {
    return std::atan(x);
}
// The angle of the point (x = a2, y = a1).
Real ArcTan2(Real y, Real x) {
    return std::atan2(y, x);
}
Real Hypot(Real a, Real b) {
    return std::hypot(a, b);
}
Real Fabs(Real x) {
    return std::fabs(x);
}
Real Fmin(Real a, Real b) {
    return a < b ? a : b;
}
Real Fmax(Real a, Real b) {
    return a > b ? a : b;
}

void FnAbs(SysFuncCall& c) {
    // The most negative integer has no positive counterpart and stays as it is.
    int32_t v = c.Arg(0).AsInt();
    c.dest.SetInt(v < 0 ? int32_t(0u - uint32_t(v)) : v);
}

void FnMin(SysFuncCall& c) {
    int32_t a = c.Arg(0).AsInt(), b = c.Arg(1).AsInt();
    c.dest.SetInt(a < b ? a : b);
}

void FnMax(SysFuncCall& c) {
    int32_t a = c.Arg(0).AsInt(), b = c.Arg(1).AsInt();
    c.dest.SetInt(a > b ? a : b);
}

}  // namespace

void AddMathFuncs(SysFnTable& t) {
    t[SF_RANDOM] = FnRandom;
    t[SF_INT] = FnInt;
    t[SF_FLOAT] = FnFloat;
    t[SF_SIN] = FnReal1<Sin>;
    t[SF_COS] = FnReal1<Cos>;
    t[SF_TAN] = FnReal1<Tan>;
    t[SF_ARCSIN] = FnReal1<ArcSin>;
    t[SF_ARCCOS] = FnReal1<ArcCos>;
    t[SF_ARCTAN] = FnReal1<ArcTan>;
    t[SF_ARCTAN2] = FnReal2<ArcTan2>;
    t[SF_HYPOT] = FnReal2<Hypot>;
    t[SF_ABS] = FnAbs;
    t[SF_FABS] = FnReal1<Fabs>;
    t[SF_MIN] = FnMin;
    t[SF_MAX] = FnMax;
    t[SF_FMIN] = FnReal2<Fmin>;
    t[SF_FMAX] = FnReal2<Fmax>;
}

}  // namespace vesk
