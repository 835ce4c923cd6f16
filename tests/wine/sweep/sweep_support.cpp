#include "tests/wine/sweep/sweep_support.h"

#include <cmath>
#include <limits>

#include "tests/wine/hostkit/event_sink.h"
#include "tests/wine/hostkit/test_pictures.h"

namespace korvix::sweep {

com_ptr<ITwain> new_control() {
    com_ptr<IPersistStreamInit> init;
    if (FAILED(::CoCreateInstance(CLSID_Twain, nullptr, CLSCTX_INPROC_SERVER, IID_IPersistStreamInit,
                                  init.put_void())) ||
        FAILED(init->InitNew()))
        return {};
    return init.query<ITwain>(IID__Twain);
}

Generator::Generator(std::uint32_t seed)
    : rng_(seed),
      not_a_picture_(com_ptr<IDispatch>::attach(hostkit::event_sink::create().detach())),  // IDispatch only
      bitmap_(hostkit::make_gradient_picture(40, 30)),
      icon_(hostkit::make_icon_picture()) {}

unique_variant Generator::value() {
    static const SHORT shorts[] = {0, 1, -1, 2, 5, 15, 16, 99, 100, -32768, 32767};
    static const LONG longs[] = {0, -1, 0x7FFFFFFF, std::numeric_limits<LONG>::min(), static_cast<LONG>(0x80000005),
                                 static_cast<LONG>(0x800000FF), 0x00FF00, 2, 600, 65536};
    static const double doubles[] = {std::nan(""), std::numeric_limits<double>::infinity(),
                                     -std::numeric_limits<double>::infinity(), 1e308, -0.0, 0.5, 2.5, 1e10, -32768.5};
    static const std::wstring texts[] = {L"", L"abc", L"300", L"-1", L"True", L"1e400", L"C:\\scans\\a.bmp",
                                         std::wstring(L"nul\0inside", 10), std::wstring(1 << 20, L'x')};
    auto pick = [&](const auto& table) { return table[next(static_cast<std::uint32_t>(std::size(table)))]; };
    auto kept = [&](unique_variant target) -> VARIANT& { return *referenced_.emplace_back(std::move(target)).get(); };
    unique_variant v;
    VARIANT* p = v.get();
    switch (next(22)) {
    case 0: return unique_variant::i2(pick(shorts));
    case 1: return unique_variant::i4(pick(longs));
    case 2: V_VT(p) = VT_R8; V_R8(p) = pick(doubles); break;
    case 3: V_VT(p) = VT_R4; V_R4(p) = static_cast<float>(pick(doubles)); break;
    case 4: return unique_variant::boolean(chance(50));
    case 5: return unique_variant::bstr(pick(texts));
    case 6: V_VT(p) = VT_BSTR; V_BSTR(p) = nullptr; break;
    case 7: break;  // VT_EMPTY
    case 8: V_VT(p) = VT_NULL; break;
    case 9: V_VT(p) = VT_ERROR; V_ERROR(p) = DISP_E_PARAMNOTFOUND; break;  // a missing argument
    case 10: return unique_variant::dispatch(nullptr);
    case 11: return unique_variant::dispatch(not_a_picture_.get());
    case 12: return unique_variant::dispatch(bitmap_.get());
    case 13: return unique_variant::dispatch(icon_.get());
    case 14: V_VT(p) = VT_UNKNOWN; V_UNKNOWN(p) = not_a_picture_.get(); not_a_picture_->AddRef(); break;
    case 15: V_VT(p) = VT_BYREF | VT_I2; V_I2REF(p) = &V_I2(&kept(unique_variant::i2(pick(shorts)))); break;
    case 16:
        V_VT(p) = VT_BYREF | VT_VARIANT;
        V_VARIANTREF(p) = &kept(chance(50) ? unique_variant::i4(pick(longs)) : unique_variant::bstr(pick(texts)));
        break;
    case 17: V_VT(p) = VT_BYREF | VT_BSTR; V_BSTRREF(p) = &V_BSTR(&kept(unique_variant::bstr(pick(texts)))); break;
    case 18: V_VT(p) = VT_ARRAY | VT_I4; V_ARRAY(p) = ::SafeArrayCreateVector(VT_I4, 0, 3); break;
    case 19: V_VT(p) = VT_DATE; V_DATE(p) = 1e9; break;
    case 20: V_VT(p) = VT_UI4; V_UI4(p) = 0xFFFFFFFFu; break;
    default: V_VT(p) = VT_I8; V_I8(p) = std::numeric_limits<LONGLONG>::max(); break;
    }
    return v;
}

}  // namespace korvix::sweep
